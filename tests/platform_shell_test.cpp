#include "controls/text/UrlText/UrlText.h"
#include "framework/module1.h"
#include "hosts/headless/xdg_shell.h"

#include "tests/support.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tessivra::testing {
namespace {

namespace fs = std::filesystem;
using headless::XdgShell;
namespace shellresult = headless::shellresult;

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A stand-in for the desktop's opener: it records how it was started in `out`, once `out/go`
// exists, and does nothing else with its arguments.
class PlatformShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tessivra-shell-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root = fs::canonical(pattern);
        work = root / "work";
        out = root / "out";
        fs::create_directories(work);
        fs::create_directories(out);
        opener = root / "opener";
        std::ofstream script(opener);
        script << "#!/bin/sh\n"
               << "out='" << out.string() << "'\n"
               << "i=0\n"
               << "while [ ! -e \"$out/go\" ] && [ $i -lt 400 ]; do sleep 0.05; i=$((i+1)); done\n"
               << "echo started >> \"$out/log\"\n"
               << "{ printf '%s\\n' \"$#\"; pwd -P; printf '%s' \"$1\"; } > \"$out/report.part\"\n"
               << "mv \"$out/report.part\" \"$out/report\"\n";
        script.close();
        fs::permissions(opener, fs::perms::owner_all);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    void letItRun() { std::ofstream(out / "go").put('\n'); }
    // The opener's record: argument count, working directory, first argument.
    bool waitForReport() {
        for (int i = 0; i < 400 && !fs::exists(out / "report"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (!fs::exists(out / "report")) return false;
        std::string report = readFile(out / "report");
        fs::remove(out / "report");
        auto first = report.find('\n');
        auto second = report.find('\n', first + 1);
        argc = report.substr(0, first);
        cwd = report.substr(first + 1, second - first - 1);
        argument = report.substr(second + 1);
        return true;
    }
    int startedCount() {
        std::string log = readFile(out / "log");
        return static_cast<int>(std::count(log.begin(), log.end(), '\n'));
    }

    fs::path root, work, out, opener;
    std::string argc, cwd, argument;
};

TEST_F(PlatformShellTest, AnAddressHoldingShellSyntaxReachesTheOpenerAsOneUnchangedArgument) {
    letItRun();
    XdgShell shell(opener.string());
    for (std::string address : {"http://a.b/$(touch x);y", "http://a.b/';touch y;'",
                                "http://a.b/`touch z`|w&v>u", "http://a.b/\"$HOME\" * ~ #"}) {
        auto r = shell.ShellExecuteA(0, "Open", address, "", work.string(), 1);
        ASSERT_OK(r);
        EXPECT_GT(r.value(), 32);
        ASSERT_TRUE(waitForReport()) << address;
        EXPECT_EQ(argc, "1");
        EXPECT_EQ(argument, address);
        EXPECT_EQ(cwd, work.string());
    }
    // Nothing the address spelled out was run, there or anywhere near.
    for (const char* name : {"x", "y", "z", "u"}) {
        EXPECT_FALSE(fs::exists(work / name)) << name;
        EXPECT_FALSE(fs::exists(root / name)) << name;
        EXPECT_FALSE(fs::exists(fs::current_path() / name)) << name;
    }
}

TEST_F(PlatformShellTest, TheLaunchButtonHandsTheAddressToTheOpenerInTheLibrarysFolder) {
    letItRun();
    XdgShell shell(opener.string());
    HeadlessForm form(headless::RuntimeSettings{.appPath = fromUtf8(work.string())});
    form.shellInUse = &shell;
    auto* url = form.add<UrlText>(u"u").value();
    ASSERT_OK(form.place(u"u"));
    ASSERT_OK(form.paste(u"u", u"http://a.b/$(touch X);Y"));
    ASSERT_OK(form.key(u"u", 35));
    ASSERT_OK(form.click(u"u", u"Command1"));
    ASSERT_TRUE(waitForReport());
    EXPECT_EQ(argc, "1");
    EXPECT_EQ(argument, "http://a.b/$(touch x);y");
    EXPECT_EQ(cwd, work.string());
    EXPECT_FALSE(fs::exists(work / "x"));
    EXPECT_EQ(url->Text().value(), u"http://a.b/$(touch X);Y");
}

TEST_F(PlatformShellTest, TheCallReturnsWithoutWaitingForTheOpenerAndLeavesNoChildBehind) {
    // With the system's reaper being this process, the opener would be ours to reap.
    int subreaper = 0;
    ::prctl(PR_GET_CHILD_SUBREAPER, &subreaper);
    bool adopted = ::getpid() == 1 || subreaper != 0;
    bool hadChildren = ::waitpid(-1, nullptr, WNOHANG) == 0;

    XdgShell shell(opener.string());
    auto r = shell.ShellExecuteA(0, "open", "http://a.b", "", work.string(), 1);
    ASSERT_OK(r);
    EXPECT_EQ(r.value(), shellresult::Started);
    // The opener is still waiting for its go: the call did not wait for it.
    EXPECT_FALSE(fs::exists(out / "report"));
    if (!adopted && !hadChildren) {
        errno = 0;
        EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
        EXPECT_EQ(errno, ECHILD);
    }
    letItRun();
    ASSERT_TRUE(waitForReport());
    EXPECT_EQ(argument, "http://a.b");
}

TEST_F(PlatformShellTest, OnlyOpenIsCarriedOutAndRefusalsAreResultCodesNotFailures) {
    letItRun();
    XdgShell shell(opener.string());
    for (std::string_view operation : {"print", "edit", "explore", "", "opens", "runas"}) {
        auto r = shell.ShellExecuteA(0, operation, "http://a.b", "", work.string(), 1);
        ASSERT_OK(r);
        EXPECT_EQ(r.value(), shellresult::NoAssociation) << operation;
    }
    for (std::string_view operation : {"Open", "open", "OPEN"}) {
        auto r = shell.ShellExecuteA(0, operation, "http://a.b", "", work.string(), 1);
        ASSERT_OK(r);
        EXPECT_EQ(r.value(), shellresult::Started) << operation;
        ASSERT_TRUE(waitForReport());
    }
    // Only the three accepted requests ever started the opener.
    EXPECT_EQ(startedCount(), 3);
}

TEST_F(PlatformShellTest, AnOpenerOrDirectoryThatCannotBeUsedIsReportedByResultCode) {
    letItRun();
    auto missing = XdgShell((root / "no-such-opener").string())
                       .ShellExecuteA(0, "Open", "http://a.b", "", work.string(), 1);
    ASSERT_OK(missing);
    EXPECT_EQ(missing.value(), shellresult::FileNotFound);
    auto notOnPath = XdgShell("tessivra-no-such-opener-anywhere")
                         .ShellExecuteA(0, "Open", "http://a.b", "", work.string(), 1);
    ASSERT_OK(notOnPath);
    EXPECT_EQ(notOnPath.value(), shellresult::FileNotFound);

    XdgShell shell(opener.string());
    auto noDirectory =
        shell.ShellExecuteA(0, "Open", "http://a.b", "", (root / "gone").string(), 1);
    ASSERT_OK(noDirectory);
    EXPECT_EQ(noDirectory.value(), shellresult::PathNotFound);
    auto empty = shell.ShellExecuteA(0, "Open", "", "", work.string(), 1);
    ASSERT_OK(empty);
    EXPECT_LE(empty.value(), 32);

    // Without a directory the opener works where the caller does.
    auto here = shell.ShellExecuteA(0, "Open", "http://a.b", "", "", 1);
    ASSERT_OK(here);
    ASSERT_TRUE(waitForReport());
    EXPECT_EQ(cwd, fs::canonical(fs::current_path()).string());
    EXPECT_EQ(startedCount(), 1);
}

TEST_F(PlatformShellTest, Module1ConvertsTheFourTextsToTheCodePageInParameterOrder) {
    HeadlessForm form;
    form.journal().enabled = true;
    auto r = Module1::ShellExecuteA(form.runtime(), form.shell(), 7, u"Open", u"http://ç.b", u"",
                                    u"/pasta", 1);
    ASSERT_OK(r);
    EXPECT_EQ(r.value(), form.shell().result);
    ASSERT_EQ(form.shell().requests.size(), 1u);
    const auto& q = form.shell().requests[0];
    EXPECT_EQ(q.hwnd, 7);
    EXPECT_EQ(q.operation, "Open");
    EXPECT_EQ(q.file, "http://\xe7.b");
    EXPECT_EQ(q.parameters, "");
    EXPECT_EQ(q.directory, "/pasta");
    EXPECT_EQ(q.showCommand, 1);
    // The third conversion fails: the shell is not called.
    form.faults().failNext("Runtime.StrConv", 2);
    auto failed =
        Module1::ShellExecuteA(form.runtime(), form.shell(), 7, u"Open", u"f", u"", u"/pasta", 1);
    ASSERT_TRUE(failed.isError());
    EXPECT_EQ(failed.error().code, headless::InjectedFailureCode);
    EXPECT_EQ(form.shell().requests.size(), 1u);
}

} // namespace
} // namespace tessivra::testing
