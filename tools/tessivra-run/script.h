#pragma once
// The command-line container: hosts controls on one headless form and plays a script, one
// command a line, printing one line for every effect a form or user could observe.

#include "controls/display/frmAbout/frmAbout.h"
#include "controls/shipped_classes.h"
#include "framework/dispatch.h"
#include "framework/registry/class_table.h"
#include "hosts/headless/form.h"
#include "hosts/headless/form_file.h"
#include "hosts/headless/property_bag.h"

#include <iosfwd>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessivra::run {

class Script;

// One command a script can give. The table of them is what a script is played by, what
// `tessivra-run --help` prints and what the README lists, so the three cannot disagree.
struct Command {
    std::string_view name;
    // The words after the name: `[WORD]` may be left out, `WORD...` stands for any number of
    // words, anything else is one word. The runner counts a line's words against it.
    std::string_view arguments;
    // What the command does, in one line.
    std::string_view help;
    // Runs the command; it gets the line's words, the command's name first, and the count of
    // them already checked against `arguments`.
    ErrorOr<void> (*run)(Script&, const std::vector<std::string>& words);
};

// How many words may follow a command's name, as its `arguments` say.
struct Arity {
    std::size_t least = 0;
    std::size_t most = 0; // SIZE_MAX: no limit
};
Arity arity(std::string_view arguments);

class Script {
public:
    explicit Script(std::ostream& out, headless::RuntimeSettings = {});
    ~Script();

    // Every command, in the order the help lists them.
    static std::span<const Command> commands();
    // The command of that name (as written, in small letters), or null.
    static const Command* findCommand(std::string_view name);

    // Plays every line of the stream; returns the number of commands that failed.
    int play(std::istream& in);
    // One command; failures are printed as `error COMMAND: CODE DESCRIPTION` and counted.
    void run(const std::string& line);
    int failures() const { return failures_; }

private:
    // The commands' own routines, one for each row of the table.
    struct Commands;
    struct Sink;
    struct Placed {
        std::unique_ptr<Dispatcher> dispatcher;
        std::unique_ptr<Sink> sink;
        const ControlClassInfo* info = nullptr;
        // Where the control stands on the form, kept for form files; the headless form itself
        // lays nothing out.
        Twips left = 0, top = 0;
    };

    ErrorOr<void> execute(const std::vector<std::string>& words);
    // Creates a control at its design size, loads it from `saved` when given (a failed load is
    // reported and the control stays as far as it was loaded) and places it.
    ErrorOr<Placed*> create(const std::string& name, const ControlClassInfo&, PropertyBag* saved);
    ErrorOr<Value> parseValue(const std::string& word) const;
    ErrorOr<Placed*> placed(const std::string& name);
    headless::HeadlessPropertyBag& bag(const std::string& name);
    // A bag something was put into or read into; any other name is refused.
    ErrorOr<headless::HeadlessPropertyBag*> filledBag(const std::string& name);
    void print(const std::string& line);
    void report(const std::string& command, const Error& e);

    std::ostream& out_;
    headless::HeadlessForm form_;
    ControlClassTable table_{shippedClasses()};
    std::map<std::string, Placed> placed_;
    std::map<std::string, headless::HeadlessPropertyBag> bags_;
    std::map<std::string, ObjectRef> objects_;
    std::map<std::string, std::unique_ptr<frmAbout>> windows_;
    // The form's own attributes, as the last form file loaded gave them.
    std::u16string caption_ = u"Form1";
    Twips formWidth_ = 0, formHeight_ = 0;
    int failures_ = 0;
};

// Splits a line into words: double-quoted strings keep their spaces and take the escapes
// \" \\ \r \n \t \b (a quoted word comes back starting with '"' and unescaped); # starts a comment.
ErrorOr<std::vector<std::string>> splitWords(const std::string& line);

// What `tessivra-run --help` prints: the usage, the options and the table of commands.
std::string helpText();

// The program: reads its options, plays SCRIPT (or `in` when there is none or it is "-") and
// returns the exit status: 0, 1 for a failed command under --strict, 2 for a bad command line or
// a script that cannot be read.
int commandLine(std::span<const std::string> args, std::istream& in, std::ostream& out,
                std::ostream& err);

} // namespace tessivra::run
