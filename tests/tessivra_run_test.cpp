// The command-line container: its word splitting and what a script prints.

#include "tests/script_player.h"
#include "tools/tessivra-run/script.h"

#include <gtest/gtest.h>

#include <fstream>
#include <limits>
#include <set>
#include <sstream>

namespace tessivra::run {
namespace {

using testing::has;
using testing::play;

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

// ---- the table of commands ------------------------------------------------------------------

std::string synopsis(const Command& c) {
    return c.arguments.empty() ? std::string(c.name)
                               : std::string(c.name) + " " + std::string(c.arguments);
}

// A README table cell as plain text: the code marks dropped and `\|` read as `|`.
std::string plainCell(std::string_view cell) {
    std::string text;
    for (std::size_t i = 0; i < cell.size(); ++i) {
        if (cell[i] == '`') continue;
        if (cell[i] == '\\' && i + 1 < cell.size() && cell[i + 1] == '|') continue;
        text += cell[i];
    }
    while (!text.empty() && text.front() == ' ')
        text.erase(0, 1);
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

// The rows of the command table in the README's tessivra-run section, as (command, effect).
std::vector<std::pair<std::string, std::string>> readmeCommands() {
    std::ifstream in(TESSIVRA_SOURCE_DIR "/README.md");
    std::vector<std::pair<std::string, std::string>> rows;
    bool inSection = false;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("## ")) inSection = line == "## tessivra-run";
        if (!inSection || !line.starts_with("| `")) continue;
        std::vector<std::string> cells;
        std::string cell;
        for (std::size_t i = 1; i < line.size(); ++i) {
            if (line[i] == '|' && line[i - 1] != '\\') {
                cells.push_back(plainCell(cell));
                cell.clear();
            } else
                cell += line[i];
        }
        if (cells.size() == 2) rows.emplace_back(cells[0], cells[1]);
    }
    return rows;
}

// The commands section of --help, as (command, help line), the help's lines joined again.
std::vector<std::pair<std::string, std::string>> helpCommands(const std::string& help) {
    std::vector<std::pair<std::string, std::string>> rows;
    std::istringstream in(help.substr(help.find("\ncommands:\n") + 11));
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("      ")) {
            if (rows.empty()) return {};
            auto& text = rows.back().second;
            if (!text.empty()) text += ' ';
            text.append(line, 6);
        } else if (line.starts_with("  "))
            rows.emplace_back(line.substr(2), "");
    }
    return rows;
}

using Rows = std::vector<std::pair<std::string, std::string>>;

// Row by row, so a row that has drifted is named rather than buried in the whole table.
void expectSameRows(const Rows& listed, const Rows& table, const char* where) {
    EXPECT_EQ(listed.size(), table.size()) << where;
    for (std::size_t i = 0; i < listed.size() && i < table.size(); ++i) {
        EXPECT_EQ(listed[i].first, table[i].first) << where << " row " << i + 1;
        EXPECT_EQ(listed[i].second, table[i].second) << where << ": " << table[i].first;
    }
}

TEST(ScriptCommands, TheReadmeAndTheHelpListTheTableRowForRow) {
    Rows table;
    std::set<std::string_view> names;
    for (const Command& c : Script::commands()) {
        EXPECT_TRUE(names.insert(c.name).second) << "two rows for " << c.name;
        EXPECT_FALSE(c.help.empty()) << c.name;
        table.emplace_back(synopsis(c), std::string(c.help));
    }
    expectSameRows(readmeCommands(), table, "README");
    const std::string help = helpText();
    expectSameRows(helpCommands(help), table, "--help");
    for (const auto& line : {"--locale TAG", "--codepage NAME", "--strict", "--help"})
        EXPECT_NE(help.find(line), std::string::npos) << line;
    std::istringstream lines(help);
    for (std::string line; std::getline(lines, line);)
        EXPECT_LE(line.size(), 80u) << line;
}

TEST(ScriptCommands, TheArgumentsSayHowManyWordsACommandTakes) {
    const auto none = std::numeric_limits<std::size_t>::max();
    for (auto [arguments, least, most] :
         {std::tuple<std::string_view, std::size_t, std::size_t>{"", 0, 0},
          {"NAME", 1, 1},
          {"NAME \"TEXT\"", 2, 2},
          {"NAME CLASS [BAG]", 2, 3},
          {"OBJECT \"NAME\" SIZE [bold] [italic]", 3, 5},
          {"NAME CONSTITUENT down|move|up BUTTON SHIFT X Y", 7, 7},
          {"NAME METHOD ARGS...", 2, none}}) {
        EXPECT_EQ(arity(arguments).least, least) << arguments;
        EXPECT_EQ(arity(arguments).most, most) << arguments;
    }
}

// Every row is reached by its name, and a line with a word too few or too many stops at its
// usage before the command does anything.
TEST(ScriptCommands, EveryCommandRefusesTooFewOrTooManyWordsWithItsOwnUsage) {
    for (const Command& c : Script::commands()) {
        const Arity a = arity(c.arguments);
        const std::string refusal = "error " + std::string(c.name) + ": 5 usage: " + synopsis(c);
        auto words = [&](std::size_t n) {
            std::string line(c.name);
            for (std::size_t i = 0; i < n; ++i)
                line += " w" + std::to_string(i);
            return line + "\n";
        };
        if (a.least > 0) {
            EXPECT_EQ(play(words(a.least - 1)), std::vector<std::string>{refusal}) << c.name;
        }
        if (a.most != std::numeric_limits<std::size_t>::max()) {
            EXPECT_EQ(play(words(a.most + 1)), std::vector<std::string>{refusal}) << c.name;
        }
    }
    EXPECT_EQ(play("frob t1\nNew t1 TextoEmMaiusculo\n"),
              (std::vector<std::string>{"error frob: 5 unknown command frob",
                                        "error New: 5 unknown command New"}));
}

TEST(ScriptCommands, AWordTheUsageDoesNotAllowIsRefusedAndNothingIsDone) {
    auto lines = play(R"(new t TextoEmMaiusculo
font f "Arial" 10 underline
set t Font f
font g "Arial" 12 italic bold
set t Font g
mouse t Text1 sideways 1 0 0 0
on t KeyPress KeyAscii
scroll t left
)");
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "error font: 5 usage: font OBJECT \"NAME\" SIZE [bold] [italic]",
                         "error set: 13 not a value: f", "changed t Font",
                         "error mouse: 5 usage: mouse NAME CONSTITUENT down|move|up BUTTON "
                         "SHIFT X Y",
                         "error on: 5 usage: on NAME EVENT ARG=VALUE...",
                         "error scroll: 5 usage: scroll NAME up|down [COUNT]"}));
}

// ---- the command line -----------------------------------------------------------------------

struct Run {
    int status;
    std::string out, err;
};
Run commandLine(std::vector<std::string> args, const std::string& input = "") {
    std::istringstream in(input);
    std::ostringstream out, err;
    int status = tessivra::run::commandLine(args, in, out, err);
    return {status, out.str(), err.str()};
}

TEST(CommandLine, HelpExitsZeroAndACommandLineItDoesNotUnderstandExitsTwo) {
    for (const char* help : {"--help", "-h"}) {
        auto r = commandLine({"--strict", help, "--bogus"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, helpText());
        EXPECT_EQ(r.err, "");
    }
    for (auto [args, says] :
         {std::pair<std::vector<std::string>, std::string>{{"--bogus"}, "unknown option --bogus"},
          {{"-x", "script.tvs"}, "unknown option -x"},
          {{"--locale"}, "--locale needs a value"},
          {{"--strict", "--codepage"}, "--codepage needs a value"},
          {{"a.tvs", "b.tvs"}, "one script at a time: a.tvs and b.tvs"},
          {{TESSIVRA_SOURCE_DIR "/no/such/script.tvs"}, "cannot read"}}) {
        auto r = commandLine(args, "classes\n");
        EXPECT_EQ(r.status, 2) << says;
        EXPECT_EQ(r.out, "") << says; // nothing was played
        EXPECT_TRUE(r.err.starts_with("tessivra-run: " + says)) << r.err;
    }
}

TEST(CommandLine, AFailedCommandIsTheExitStatusOnlyUnderStrict) {
    EXPECT_EQ(commandLine({}, "frob\n").status, 0);
    auto strict = commandLine({"--strict", "-"}, "frob\n");
    EXPECT_EQ(strict.status, 1);
    EXPECT_EQ(strict.out, "error frob: 5 unknown command frob\n");
    EXPECT_EQ(commandLine({"--strict"}, "new t TextoEmMaiusculo\n").status, 0);
    // The options reach the form: a key typed in another code page arrives as its code there.
    auto typed = commandLine({"--codepage", "ibm850", "--locale", "pt-BR"},
                             "new t TextoEmMaiusculo\ntype t \"ç\"\n");
    EXPECT_NE(typed.out.find("KeyPress KeyAscii=135"), std::string::npos) << typed.out;
}

} // namespace
} // namespace tessivra::run
