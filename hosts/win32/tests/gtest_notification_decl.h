#pragma once
// GoogleTest's start signal is declared for every user of its headers; its definition, on a Win32
// event, is GoogleTest's own (gtest_notification.h).
namespace testing::internal {
class Notification;
} // namespace testing::internal
