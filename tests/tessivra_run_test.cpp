// The command-line container: its word splitting and what a script prints.

#include "tools/tessivra-run/script.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tessivra::run {
namespace {

std::vector<std::string> play(const std::string& script) {
    std::ostringstream out;
    Script s(out);
    std::istringstream in(script);
    s.play(in);
    std::vector<std::string> lines;
    std::istringstream printed(out.str());
    for (std::string line; std::getline(printed, line);)
        lines.push_back(line);
    return lines;
}

bool has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(ScriptWords, QuotedStringsKeepSpacesAndTakeEscapesAndHashStartsAComment) {
    auto w = splitWords(R"(type t1 "a \"b\" \\ c\r\n\t" 0x1F # the rest "is" ignored)");
    ASSERT_FALSE(w.isError());
    ASSERT_EQ(w.value().size(), 4u);
    EXPECT_EQ(w.value()[2], "\"a \"b\" \\ c\r\n\t");
    EXPECT_EQ(w.value()[3], "0x1F");
    EXPECT_TRUE(splitWords(R"(type t1 "open)").isError());
    EXPECT_TRUE(splitWords(R"(type t1 "\q")").isError());
}

// Each escape the runner's guide lists is read; any other is refused.
TEST(ScriptWords, EveryDocumentedEscapeIsRead) {
    for (auto [escape, meaning] : {std::pair<std::string, std::string>{R"(\")", "\""},
                                   {R"(\\)", "\\"},
                                   {R"(\r)", "\r"},
                                   {R"(\n)", "\n"},
                                   {R"(\t)", "\t"},
                                   {R"(\b)", "\b"}}) {
        auto w = splitWords("type t1 \"x" + escape + "y\"");
        ASSERT_FALSE(w.isError()) << escape;
        ASSERT_EQ(w.value().size(), 3u) << escape;
        EXPECT_EQ(w.value()[2], "\"x" + meaning + "y") << escape;
    }
    for (const char* unknown : {R"("\a")", R"("\0")", R"("\x41")", R"("\B")"})
        EXPECT_TRUE(splitWords(std::string("type t1 ") + unknown).isError()) << unknown;
}

// In `type`, \b is the Backspace key and \r the Enter key, each delivered as the key.
TEST(ScriptOutput, TypeTakesBackspaceAndEnterAsKeys) {
    auto lines = play("new t1 TextoEmMaiusculo\ntype t1 \"ab\\bc\"\nget t1 Text\n"
                      "type t1 \"\\r\"\n");
    EXPECT_TRUE(has(lines, "event t1 KeyDown KeyCode=8 Shift=0"));
    EXPECT_TRUE(has(lines, "t1.Text = \"AC\""));
    EXPECT_TRUE(has(lines, "sendkeys \"{tab}\""));
    for (const auto& l : lines)
        EXPECT_FALSE(l.starts_with("error")) << l;
}

// A container finds a class again from a saved form by its identifier, in braces and in any
// case; the ProgId is found whatever its case.
TEST(ScriptOutput, NewCreatesByClassIdentifierAndByProgIdInAnyCase) {
    auto lines = play(R"(
new s1 {be072725-34a3-4614-99c3-6d40cf08062d}
show s1
new m1 {4F0033FB-CBD7-4458-95C6-E2AB8FE34C52}
let m1 Text "x"
get m1 Text
new t1 tessivra.textoemmaiusculo
type t1 "a"
get t1 Text
new x1 {00000000-0000-0000-0000-000000000000}
new x2 {BE072725-34A3-4614-99C3-6D40CF08062}
)");
    EXPECT_TRUE(has(lines, "m1.Text = \"x\""));
    EXPECT_TRUE(has(lines, "t1.Text = \"A\""));
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
        return l.starts_with("show s1 ") && l.find("3735") != std::string::npos;
    }));
    EXPECT_TRUE(has(lines, "error new: 429 no class {00000000-0000-0000-0000-000000000000} in "
                           "the library"));
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
        return l.starts_with("error new: 5 Invalid identifier");
    }));
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.starts_with("error"); }),
              2);
}

TEST(ScriptOutput, EveryObservableEffectIsOneLineInTheOrderItHappens) {
    auto lines = play(R"(
new t1 Tessivra.TextoEmMaiusculo
new t2 TextoEmMaiusculo
on t1 KeyPress KeyAscii=0x62
type t1 "a"
get t1 text
key t1 13
let t1 Alignment 7
let t1 Alignment "2"
get t1 MultiLine
let t1 MultiLine True
menu m
call t1 PopupMenu m
bag b Alignment "left"
new t3 TextoEmMaiusculo b
new t4 Tessivra.frmAbout
)");
    EXPECT_EQ(lines[0], "focus t1.Text1");
    EXPECT_EQ(lines[1], "event t1 KeyDown KeyCode=65 Shift=0");
    EXPECT_EQ(lines[2], "event t1 KeyPress KeyAscii=97"); // as the form's handler got it
    EXPECT_TRUE(has(lines, "t1.text = \"B\""));
    EXPECT_TRUE(has(lines, "sendkeys \"{tab}\""));
    EXPECT_TRUE(has(lines, "focus t2.Text1"));
    EXPECT_TRUE(has(lines, "error let: 380 Invalid property value"));
    EXPECT_TRUE(has(lines, "changed t1 Alignment"));
    EXPECT_TRUE(has(lines, "t1.MultiLine = False"));
    EXPECT_TRUE(has(lines, "popup t1 Object Missing Missing Missing Missing"));
    // A load that fails is reported and the control stays on the form.
    EXPECT_TRUE(has(lines, "error new: 13 Type mismatch in \"Alignment\""));
    EXPECT_TRUE(has(lines, "error new: 429 no class Tessivra.frmAbout in the library"));
    auto refusedMultiLine = std::count_if(lines.begin(), lines.end(), [](const std::string& l) {
        return l.rfind("error let: ", 0) == 0 && l.find("380") == std::string::npos;
    });
    EXPECT_EQ(refusedMultiLine, 1);
}

TEST(ScriptOutput, ABagWrittenToAFileAndReadBackLoadsTheSameControl) {
    std::string file = ::testing::TempDir() + "tessivra-run-bag.json";
    auto lines =
        play("new t1 TextoEmMaiusculo\nlet t1 Text \"Saved Text\"\nsave t1 b\nwrite b \"" + file +
             "\"\nread c \"" + file + "\"\nnew t2 TextoEmMaiusculo c\nget t2 Text\n");
    EXPECT_TRUE(has(lines, "bag b Text = \"Saved Text\" (String)"));
    EXPECT_TRUE(has(lines, "t2.Text = \"Saved Text\""));
}

TEST(ScriptOutput, AnInjectedFailureStopsTheCommandAndTheScriptGoesOn) {
    auto lines =
        play("new t1 TextoEmMaiusculo\nfail t1.Text1.Text=\nlet t1 Text \"x\"\nget t1 Text\n");
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "error let: 1000 Injected failure at t1.Text1.Text=");
    EXPECT_EQ(lines.back(), "t1.Text = \"\"");
}

} // namespace
} // namespace tessivra::run
