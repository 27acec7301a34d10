#include "tests/driver/host_driver.h"

#include "controls/shipped_classes.h"
#include "framework/dispatch.h"
#include "framework/host/value_text.h"
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

ErrorOr<void> RecordingSink::Invoke(DispId id, EventArgs args) {
    ErrorOr<void> r;
    if (forward) r = forward->Invoke(id, args);
    RaisedEvent e{control_, id, {}};
    for (const auto& a : args)
        e.args.push_back(a.get());
    out_.push_back(std::move(e));
    return r;
}

std::string eventLine(std::u16string_view control, const Control* c, DispId id, EventArgs args) {
    std::string line = "event " + toUtf8(control) + " ";
    const EventInfo* info = c ? eventById(c->controlClass(), id) : nullptr;
    line += info ? toUtf8(info->name) : std::to_string(id);
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string pname =
            info && i < info->params.size() ? toUtf8(info->params[i].name) : std::to_string(i + 1);
        line += " " + pname + "=" + formatValue(args[i].get());
    }
    return line;
}

PartState Part::state() const {
    auto s = d_ ? d_->part(control_, name_) : std::nullopt;
    if (!s) {
        ADD_FAILURE() << "no constituent " << toUtf8(control_) << "." << toUtf8(name_);
        return {};
    }
    return *s;
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
