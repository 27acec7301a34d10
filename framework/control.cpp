#include "framework/control.h"

namespace tessivra {

namespace {

ErrorOr<Value> defaultOf(const KeyDefault& d, Container& container) {
    switch (d.kind) {
    case KeyDefault::I2:
        return Value(static_cast<std::int16_t>(d.number));
    case KeyDefault::I4:
        return Value(d.number);
    case KeyDefault::Bool:
        return Value::boolean(d.number != 0);
    case KeyDefault::EmptyString:
        return Value(std::u16string());
    case KeyDefault::NoObject:
        return Value::nothing();
    case KeyDefault::AmbientFont:
        return Value(TRY(container.AmbientFont()));
    }
    return Value();
}

// A saved value that cannot be taken names its key, so that a form that fails to load says
// which setting is at fault; the code is the one the conversion or the property gave.
Error inKey(Error e, std::u16string_view key) {
    e.description += u" in \"";
    e.description += key;
    e.description += u"\"";
    return e;
}

} // namespace

ErrorOr<void> Control::setSite(Site site) {
    if (!tessivra::isSited(site)) hasConstituents_ = false;
    container_ = &site.container;
    runtime_ = &site.runtime;
    shell_ = &site.shell;
    objects_ = &site.objects;
    if (hasConstituents_ || !tessivra::isSited(site)) return {};
    // Marked first: a failure leaves the constituents made so far where they are, as a failed
    // creation always has, rather than making them twice on a later siting.
    hasConstituents_ = true;
    return createConstituents();
}

void Control::containerClosing(const Container& closing) {
    if (!isSited() || &closing != container_) return;
    UserControl_Terminate();
    (void)setSite(unsitedSite());
}

ErrorOr<void> Control::UserControl_ReadProperties(PropertyBag& bag) {
    for (const PersistedKey& k : class_.persisted) {
        Value def = TRY(defaultOf(k.defaultValue, container()));
        Value read = TRY(bag.ReadProperty(k.key, def));
        if (!k.apply) continue;
        // Converted here, once; the key's row takes the value as it stands.
        if (read.type() != k.type) {
            auto converted = read.convertTo(k.type);
            if (converted.isError()) return inKey(converted.releaseError(), k.key);
            read = converted.releaseValue();
        }
        auto applied = k.apply(*this, read);
        if (applied.isError()) return inKey(applied.releaseError(), k.key);
    }
    return {};
}

ErrorOr<void> Control::UserControl_WriteProperties(PropertyBag& bag) {
    for (const PersistedKey& k : class_.persisted) {
        Value current = k.take ? TRY(k.take(*this)) : Value();
        Value def = TRY(defaultOf(k.defaultValue, container()));
        TRY(bag.WriteProperty(k.key, current, def));
    }
    return {};
}

} // namespace tessivra
