#include "framework/registry/class_table.h"

#include "framework/registry/registration.h"

// The controls that are part of the build. A control joins the library by adding its header
// here and filling in the two last fields of its row below.
#include "controls/display/HoraAtual/HoraAtual.h"
#include "controls/display/Sobre/Sobre.h"
#include "controls/text/MailText/MailText.h"
#include "controls/text/Moeda/Moeda.h"
#include "controls/text/ScrollText/ScrollText.h"
#include "controls/text/TextoEmMaiusculo/TextoEmMaiusculo.h"
#include "controls/text/TextoEmMinusculo/TextoEmMinusculo.h"
#include "controls/text/UrlText/UrlText.h"

#include <algorithm>
#include <array>

namespace tessivra {

namespace {

struct Row {
    std::string_view name;
    std::string_view progId;
    std::string_view defaultInterface;
    std::string_view eventInterface;
    Guid clsid;
    Guid iid;
    Guid srcIid;
    std::int32_t toolboxBitmap;
    const ControlClass* cls = nullptr;
    ErrorOr<std::unique_ptr<Control>> (*create)(Site) = nullptr;
};

constexpr ControlClassInfo record(const Row& row) {
    return ControlClassInfo{
        .Name = row.name,
        .ProgId = row.progId,
        .Clsid = row.clsid,
        .DefaultInterface = {row.defaultInterface, row.iid},
        .EventInterface = {row.eventInterface, row.srcIid},
        .MiscStatus = ControlMiscStatus,
        .ToolboxBitmap = row.toolboxBitmap,
        .TypeFlags = TypeFlagControl,
        .Class = row.cls,
        .create = row.create,
    };
}

using G = Guid;

// The eight classes in type-library order. This is the one place that states a class's
// identifiers; the registry records and the identifier resources are made from it.
constexpr std::array<ControlClassInfo, 8> kClasses{
    record({"UrlText", "Tessivra.UrlText", "_UrlText", "__UrlText",
            G::literal("{218AE136-5255-4656-AA74-893F7AECD4AE}"),
            G::literal("{B7EDCD5D-2523-4CBB-AA58-CD389D40ADA8}"),
            G::literal("{0162DF42-5771-4CAC-A93A-E796E43FAA1F}"), 30007, &UrlText::Class,
            &makeControl<UrlText>}),
    record({"MailText", "Tessivra.MailText", "_MailText", "__MailText",
            G::literal("{94274FB0-2F8C-40D6-B9C1-9D8E2B7F8A39}"),
            G::literal("{7EE46E3F-12A8-457E-8A26-58AEF645F9B2}"),
            G::literal("{2ED60B51-4445-4367-B9B4-973676CA3852}"), 30006, &MailText::Class,
            &makeControl<MailText>}),
    record({"TextoEmMinusculo", "Tessivra.TextoEmMinusculo", "_TextoEmMinusculo",
            "__TextoEmMinusculo", G::literal("{651BFA3E-730A-44F6-B050-4493C1BD19A9}"),
            G::literal("{C52C8AC6-8145-4B6E-AB6F-CEB373231762}"),
            G::literal("{6BBA75BC-7112-44AD-B46A-50B6E083FBFF}"), 30005, &TextoEmMinusculo::Class,
            &makeControl<TextoEmMinusculo>}),
    record({"TextoEmMaiusculo", "Tessivra.TextoEmMaiusculo", "_TextoEmMaiusculo",
            "__TextoEmMaiusculo", G::literal("{B1F39F20-0EC1-474C-AA22-EE56F214819F}"),
            G::literal("{BEBC6FD8-B041-44E5-BBD0-9888D20EB86C}"),
            G::literal("{60081C66-9255-4B7C-886D-1ECAE998F840}"), 30004, &TextoEmMaiusculo::Class,
            &makeControl<TextoEmMaiusculo>}),
    record({"ScrollText", "Tessivra.ScrollText", "_ScrollText", "__ScrollText",
            G::literal("{1E64C49C-3AEB-49F4-8367-E353DF2C391E}"),
            G::literal("{C9918C64-E205-440E-8009-E257B0EC7B9D}"),
            G::literal("{3C12F37B-1EFD-444D-BA79-0DF589B1077C}"), 30003, &ScrollText::Class,
            &makeControl<ScrollText>}),
    record({"Moeda", "Tessivra.Moeda", "_Moeda", "__Moeda",
            G::literal("{4F0033FB-CBD7-4458-95C6-E2AB8FE34C52}"),
            G::literal("{CB4B9919-4286-4B95-BC1C-C9E124CF9E2F}"),
            G::literal("{E4385C35-0261-4C3C-9BDF-4451389FC04F}"), 30002, &Moeda::Class,
            &makeControl<Moeda>}),
    record({"HoraAtual", "Tessivra.HoraAtual", "_HoraAtual", "__HoraAtual",
            G::literal("{AB1B23D8-5E57-4D27-87A5-7B2BEB8D4B4F}"),
            G::literal("{566B57EC-4DB0-403B-BE6B-093CAE11900B}"),
            G::literal("{0B97C69A-125A-48EA-B162-03D21F6A466F}"), 30001, &HoraAtual::Class,
            &makeControl<HoraAtual>}),
    record({"Sobre", "Tessivra.Sobre", "_Sobre", "__Sobre",
            G::literal("{BE072725-34A3-4614-99C3-6D40CF08062D}"),
            G::literal("{7475CD15-55CF-433D-BEA3-A3993CB03A17}"),
            G::literal("{CD0CB74D-83F7-45F5-AB3B-589B4C03BB76}"), 30000, &Sobre::Class,
            &makeControl<Sobre>}),
};

// The names are written out above for readability; they must follow from the class name.
constexpr bool namesFollowClass(const ControlClassInfo& c) {
    constexpr std::string_view prefix = "Tessivra.";
    return c.ProgId.size() == prefix.size() + c.Name.size() && c.ProgId.starts_with(prefix) &&
           c.ProgId.ends_with(c.Name) && c.DefaultInterface.name.size() == c.Name.size() + 1 &&
           c.DefaultInterface.name.starts_with("_") && c.DefaultInterface.name.ends_with(c.Name) &&
           c.EventInterface.name.size() == c.Name.size() + 2 &&
           c.EventInterface.name.starts_with("__") && c.EventInterface.name.ends_with(c.Name);
}
static_assert(std::ranges::all_of(kClasses, namesFollowClass));

std::u16string widen(std::string_view ascii) {
    return {ascii.begin(), ascii.end()};
}

const ControlClassInfo* findProgId(std::span<const ControlClassInfo> rows,
                                   std::string_view progId) {
    const auto it = std::ranges::find(rows, progId, &ControlClassInfo::ProgId);
    return it == rows.end() ? nullptr : &*it;
}

const ControlClassInfo* findClsid(std::span<const ControlClassInfo> rows, const Guid& clsid) {
    const auto it = std::ranges::find(rows, clsid, &ControlClassInfo::Clsid);
    return it == rows.end() ? nullptr : &*it;
}

Error cannotCreate(const ControlClassInfo& info, std::string_view why) {
    return Error{errc::ClassNotAvailable,
                 u"ActiveX component can't create object: " + widen(info.ProgId) + widen(why)};
}

} // namespace

void InstanceRelease::operator()(Control* control) const noexcept {
    delete control;
    // Counted out only once the instance is gone, so its destructor never sees the library
    // reported as unloadable.
    if (module && module->instances > 0) --module->instances;
}

ControlClassTable::ControlClassTable() : ControlClassTable(kClasses) {}

ControlClassTable::ControlClassTable(std::span<const ControlClassInfo> rows)
    : rows_(rows), module_(std::make_shared<detail::ModuleState>()) {}

std::span<const ControlClassInfo> ControlClassTable::classes() {
    return kClasses;
}

const ControlClassInfo* ControlClassTable::findByProgId(std::string_view progId) {
    return findProgId(kClasses, progId);
}

const ControlClassInfo* ControlClassTable::findByProgId(std::u16string_view progId) {
    for (const ControlClassInfo& c : kClasses)
        if (std::ranges::equal(c.ProgId, progId, [](char a, char16_t b) {
                return static_cast<char16_t>(static_cast<unsigned char>(a)) == b;
            }))
            return &c;
    return nullptr;
}

const ControlClassInfo* ControlClassTable::findByClsid(const Guid& clsid) {
    return findClsid(kClasses, clsid);
}

const ControlClassInfo* ControlClassTable::rowByProgId(std::string_view progId) const {
    return findProgId(rows_, progId);
}

const ControlClassInfo* ControlClassTable::rowByClsid(const Guid& clsid) const {
    return findClsid(rows_, clsid);
}

ErrorOr<ControlHandle> ControlClassTable::create(const ControlClassInfo& info, Site site) {
    const ControlClassInfo* own = rowByClsid(info.Clsid);
    if (own == nullptr) return cannotCreate(info, " is not a class of this library");
    if (!own->isAvailable()) return cannotCreate(*own, " is not available in this build");
    std::unique_ptr<Control> made = TRY(own->create(site));
    ++module_->instances;
    return ControlHandle(made.release(), InstanceRelease{module_});
}

bool ControlClassTable::canUnload() const {
    return module_->instances == 0 && module_->locks == 0;
}

void ControlClassTable::lockServer(bool lock) {
    if (lock)
        ++module_->locks;
    else if (module_->locks > 0)
        --module_->locks;
}

ErrorOr<void> ControlClassTable::registerAll(RegistryBackend& registry,
                                             std::string_view libraryPath) {
    return writeRecords(registry, registrationRecords(libraryPath));
}

ErrorOr<void> ControlClassTable::unregisterAll(RegistryBackend& registry) {
    // Keys and value names do not depend on the path, and removal needs nothing else.
    return removeRecords(registry, registrationRecords({}));
}

} // namespace tessivra
