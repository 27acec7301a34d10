#include "controls/shipped_classes.h"

// The controls that are part of the build. A control joins the library by adding its header
// here and its row below.
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

// The classes in type-library order.
constexpr auto kClasses = std::to_array<ControlClassInfo>({
    record({"UrlText", "Tessivra.UrlText", "_UrlText", "__UrlText",
            G::literal("{218AE136-5255-4656-AA74-893F7AECD4AE}"),
            G::literal("{B7EDCD5D-2523-4CBB-AA58-CD389D40ADA8}"),
            G::literal("{0162DF42-5771-4CAC-A93A-E796E43FAA1F}"), 30007, &UrlText::Class,
            &createAsControl<UrlText>}),
    record({"MailText", "Tessivra.MailText", "_MailText", "__MailText",
            G::literal("{94274FB0-2F8C-40D6-B9C1-9D8E2B7F8A39}"),
            G::literal("{7EE46E3F-12A8-457E-8A26-58AEF645F9B2}"),
            G::literal("{2ED60B51-4445-4367-B9B4-973676CA3852}"), 30006, &MailText::Class,
            &createAsControl<MailText>}),
    record({"TextoEmMinusculo", "Tessivra.TextoEmMinusculo", "_TextoEmMinusculo",
            "__TextoEmMinusculo", G::literal("{651BFA3E-730A-44F6-B050-4493C1BD19A9}"),
            G::literal("{C52C8AC6-8145-4B6E-AB6F-CEB373231762}"),
            G::literal("{6BBA75BC-7112-44AD-B46A-50B6E083FBFF}"), 30005, &TextoEmMinusculo::Class,
            &createAsControl<TextoEmMinusculo>}),
    record({"TextoEmMaiusculo", "Tessivra.TextoEmMaiusculo", "_TextoEmMaiusculo",
            "__TextoEmMaiusculo", G::literal("{B1F39F20-0EC1-474C-AA22-EE56F214819F}"),
            G::literal("{BEBC6FD8-B041-44E5-BBD0-9888D20EB86C}"),
            G::literal("{60081C66-9255-4B7C-886D-1ECAE998F840}"), 30004, &TextoEmMaiusculo::Class,
            &createAsControl<TextoEmMaiusculo>}),
    record({"ScrollText", "Tessivra.ScrollText", "_ScrollText", "__ScrollText",
            G::literal("{1E64C49C-3AEB-49F4-8367-E353DF2C391E}"),
            G::literal("{C9918C64-E205-440E-8009-E257B0EC7B9D}"),
            G::literal("{3C12F37B-1EFD-444D-BA79-0DF589B1077C}"), 30003, &ScrollText::Class,
            &createAsControl<ScrollText>}),
    record({"Moeda", "Tessivra.Moeda", "_Moeda", "__Moeda",
            G::literal("{4F0033FB-CBD7-4458-95C6-E2AB8FE34C52}"),
            G::literal("{CB4B9919-4286-4B95-BC1C-C9E124CF9E2F}"),
            G::literal("{E4385C35-0261-4C3C-9BDF-4451389FC04F}"), 30002, &Moeda::Class,
            &createAsControl<Moeda>}),
    record({"HoraAtual", "Tessivra.HoraAtual", "_HoraAtual", "__HoraAtual",
            G::literal("{AB1B23D8-5E57-4D27-87A5-7B2BEB8D4B4F}"),
            G::literal("{566B57EC-4DB0-403B-BE6B-093CAE11900B}"),
            G::literal("{0B97C69A-125A-48EA-B162-03D21F6A466F}"), 30001, &HoraAtual::Class,
            &createAsControl<HoraAtual>}),
    record({"Sobre", "Tessivra.Sobre", "_Sobre", "__Sobre",
            G::literal("{BE072725-34A3-4614-99C3-6D40CF08062D}"),
            G::literal("{7475CD15-55CF-433D-BEA3-A3993CB03A17}"),
            G::literal("{CD0CB74D-83F7-45F5-AB3B-589B4C03BB76}"), 30000, &Sobre::Class,
            &createAsControl<Sobre>}),
});

static_assert(std::all_of(kClasses.begin(), kClasses.end(), namesFollowClass));

} // namespace

std::span<const ControlClassInfo> shippedClasses() {
    return kClasses;
}

} // namespace tessivra
