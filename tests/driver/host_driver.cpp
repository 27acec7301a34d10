#include "tests/driver/host_driver.h"

#include "controls/shipped_classes.h"
#include "framework/registry/class_table.h"

namespace tessivra::testing {

ErrorOr<Control*> HostDriver::addByClass(std::u16string_view name, std::string_view className) {
    const ControlClassInfo* info = findByProgId(shippedClasses(), className);
    if (!info) info = findByProgId(shippedClasses(), "Tessivra." + std::string(className));
    if (!info || !info->isAvailable())
        return Error{errc::ClassNotAvailable,
                     u"ActiveX component can't create object: " + fromUtf8(className)};
    auto create = info->create;
    return add(name, ControlMaker{[create](Site s) -> ErrorOr<std::shared_ptr<Control>> {
                                      return std::shared_ptr<Control>(TRY(create(s)));
                                  },
                                  info->Class->designWidth, info->Class->designHeight});
}

PartState Part::state() const {
    auto s = d_ ? d_->part(control_, name_) : std::nullopt;
    if (!s) {
        ADD_FAILURE() << "no constituent " << toUtf8(control_) << "." << toUtf8(name_);
        return {};
    }
    return *s;
}

// ---- what drivers record ---------------------------------------------------------------------

class RecordingDriver::RecordingSink final : public EventSink {
public:
    RecordingSink(RecordingDriver& d, std::u16string control)
        : d_(d), control_(std::move(control)) {}
    ErrorOr<void> Invoke(DispId id, EventArgs args) override {
        ErrorOr<void> r;
        if (forward) r = forward->Invoke(id, args);
        RaisedEvent e{control_, id, {}};
        for (const auto& a : args)
            e.args.push_back(a.get());
        d_.events_.push_back(std::move(e));
        return r;
    }
    EventSink* forward = nullptr;

private:
    RecordingDriver& d_;
    std::u16string control_;
};

Error RecordingDriver::formClosedError() {
    return {errc::InvalidProcedureCall, u"The form is closed"};
}

std::u16string RecordingDriver::unquote(std::string_view q) {
    std::string out;
    for (std::size_t i = 1; i + 1 < q.size(); ++i) {
        char c = q[i];
        if (c == '\\' && i + 2 < q.size()) {
            c = q[++i];
            c = c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c;
        }
        out.push_back(c);
    }
    return fromUtf8(out);
}

void RecordingDriver::closeForm() {
    closing_ = true;
    closeIfAsked();
}

void RecordingDriver::finishClose() {
    closing_ = false;
    closeNow();
    sinks_.clear();
}

void RecordingDriver::noteLine(std::string line) {
    if (line.starts_with("sendkeys ")) sentKeys_.push_back(unquote(line.substr(9)));
    lines_.push_back(std::move(line));
}

void RecordingDriver::messageBoxUp(MessageBoxShown shown) {
    ++depth_;
    boxes_.push_back(shown);
    if (whileShown_) whileShown_(shown);
    --depth_;
}

EventSink* RecordingDriver::recordingSink(std::u16string_view control, EventSink* handler) {
    auto& sink = sinks_[std::u16string(control)];
    if (!sink) sink = std::make_unique<RecordingSink>(*this, std::u16string(control));
    static_cast<RecordingSink&>(*sink).forward = handler;
    return sink.get();
}

std::string hostParamName(const ::testing::TestParamInfo<const HostKind*>& info) {
    return info.param->name;
}

std::string hostRowParamName(const std::string& host, const std::string& row) {
    std::string out = host + "_";
    for (char c : row)
        out.push_back(std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
    return out;
}

} // namespace tessivra::testing
