#pragma once
// The command-line container: hosts controls on one headless form and plays a script, one
// command a line, printing one line for every effect a form or user could observe.

#include "controls/display/frmAbout/frmAbout.h"
#include "controls/shipped_classes.h"
#include "framework/dispatch.h"
#include "framework/registry/class_table.h"
#include "hosts/headless/form.h"
#include "hosts/headless/property_bag.h"

#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tessivra::run {

class Script {
public:
    explicit Script(std::ostream& out, headless::RuntimeSettings = {});
    ~Script();

    // Plays every line of the stream; returns the number of commands that failed.
    int play(std::istream& in);
    // One command; failures are printed as `error COMMAND: CODE DESCRIPTION` and counted.
    void run(const std::string& line);
    int failures() const { return failures_; }

private:
    struct Sink;
    struct Placed {
        std::unique_ptr<Dispatcher> dispatcher;
        std::unique_ptr<Sink> sink;
    };

    ErrorOr<void> execute(const std::vector<std::string>& words);
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
    int failures_ = 0;
};

// Splits a line into words: double-quoted strings keep their spaces and take the escapes
// \" \\ \r \n \t (a quoted word comes back starting with '"' and unescaped); # starts a comment.
ErrorOr<std::vector<std::string>> splitWords(const std::string& line);

} // namespace tessivra::run
