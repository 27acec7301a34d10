// The test page's entry point: GoogleTest's own output, then one closing line that the scripts
// running the page in a browser or in Node read ("N passed, M failed"), since neither hands back
// an exit status they can trust.

#include <gtest/gtest.h>

#include <cstdio>

namespace {

class ClosingLine : public ::testing::EmptyTestEventListener {
    void OnTestProgramEnd(const ::testing::UnitTest& unit) override {
        std::printf("%d passed, %d failed\n", unit.successful_test_count(),
                    unit.failed_test_count());
        std::fflush(stdout);
    }
};

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new ClosingLine);
    return RUN_ALL_TESTS();
}
