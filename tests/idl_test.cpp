#include "controls/shipped_classes.h"
#include "framework/idl.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace tessivra {
namespace {

struct ExpectedType {
    std::string_view name;
    TypeKind kind;
    std::string_view guid;
};

// The library's types in their order, with the identifiers a container registers them under.
constexpr ExpectedType kExpectedTypes[] = {
    {"_UrlText", TypeKind::DualInterface, "{B7EDCD5D-2523-4CBB-AA58-CD389D40ADA8}"},
    {"UrlText", TypeKind::Coclass, "{218AE136-5255-4656-AA74-893F7AECD4AE}"},
    {"_MailText", TypeKind::DualInterface, "{7EE46E3F-12A8-457E-8A26-58AEF645F9B2}"},
    {"MailText", TypeKind::Coclass, "{94274FB0-2F8C-40D6-B9C1-9D8E2B7F8A39}"},
    {"_TextoEmMinusculo", TypeKind::DualInterface, "{C52C8AC6-8145-4B6E-AB6F-CEB373231762}"},
    {"TextoEmMinusculo", TypeKind::Coclass, "{651BFA3E-730A-44F6-B050-4493C1BD19A9}"},
    {"_TextoEmMaiusculo", TypeKind::DualInterface, "{BEBC6FD8-B041-44E5-BBD0-9888D20EB86C}"},
    {"TextoEmMaiusculo", TypeKind::Coclass, "{B1F39F20-0EC1-474C-AA22-EE56F214819F}"},
    {"_ScrollText", TypeKind::DualInterface, "{C9918C64-E205-440E-8009-E257B0EC7B9D}"},
    {"ScrollText", TypeKind::Coclass, "{1E64C49C-3AEB-49F4-8367-E353DF2C391E}"},
    {"_Moeda", TypeKind::DualInterface, "{CB4B9919-4286-4B95-BC1C-C9E124CF9E2F}"},
    {"Moeda", TypeKind::Coclass, "{4F0033FB-CBD7-4458-95C6-E2AB8FE34C52}"},
    {"_HoraAtual", TypeKind::DualInterface, "{566B57EC-4DB0-403B-BE6B-093CAE11900B}"},
    {"HoraAtual", TypeKind::Coclass, "{AB1B23D8-5E57-4D27-87A5-7B2BEB8D4B4F}"},
    {"_Sobre", TypeKind::DualInterface, "{7475CD15-55CF-433D-BEA3-A3993CB03A17}"},
    {"Sobre", TypeKind::Coclass, "{BE072725-34A3-4614-99C3-6D40CF08062D}"},
    {"__UrlText", TypeKind::EventInterface, "{0162DF42-5771-4CAC-A93A-E796E43FAA1F}"},
    {"__MailText", TypeKind::EventInterface, "{2ED60B51-4445-4367-B9B4-973676CA3852}"},
    {"__TextoEmMinusculo", TypeKind::EventInterface, "{6BBA75BC-7112-44AD-B46A-50B6E083FBFF}"},
    {"__TextoEmMaiusculo", TypeKind::EventInterface, "{60081C66-9255-4B7C-886D-1ECAE998F840}"},
    {"__ScrollText", TypeKind::EventInterface, "{3C12F37B-1EFD-444D-BA79-0DF589B1077C}"},
    {"__Moeda", TypeKind::EventInterface, "{E4385C35-0261-4C3C-9BDF-4451389FC04F}"},
    {"__HoraAtual", TypeKind::EventInterface, "{0B97C69A-125A-48EA-B162-03D21F6A466F}"},
    {"__Sobre", TypeKind::EventInterface, "{CD0CB74D-83F7-45F5-AB3B-589B4C03BB76}"},
};

std::uint16_t expectedFlags(TypeKind k) {
    switch (k) {
    case TypeKind::DualInterface:
        return 0x11D0;
    case TypeKind::Coclass:
        return 0x20;
    case TypeKind::EventInterface:
        return 0x1090;
    }
    return 0;
}

TEST(TypeDescriptions, TheTwentyFourTypesComeInLibraryOrderWithTheirIdentifiersAndFlags) {
    const auto types = typeDescriptions(shippedClasses());
    ASSERT_EQ(types.size(), std::size(kExpectedTypes));
    for (std::size_t i = 0; i < types.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(types[i].name, kExpectedTypes[i].name);
        EXPECT_EQ(types[i].kind, kExpectedTypes[i].kind);
        EXPECT_EQ(types[i].guid.toString(), kExpectedTypes[i].guid);
        EXPECT_EQ(types[i].flags, expectedFlags(kExpectedTypes[i].kind));
        EXPECT_EQ(types[i].majorVersion, 1);
        EXPECT_EQ(types[i].minorVersion, 0);
        // Each type points at its own class's record.
        ASSERT_NE(types[i].cls, nullptr);
        EXPECT_TRUE(types[i].name.ends_with(types[i].cls->Name));
    }
}

TEST(TypeDescriptions, TheLibraryAndItsImportsAreTheStandardOnes) {
    EXPECT_EQ(Library.libid.toString(), "{BD41AE3D-0FAF-4214-9A0B-BF007B329C65}");
    EXPECT_EQ(Library.majorVersion, 31);
    EXPECT_EQ(Library.minorVersion, 0);
    EXPECT_EQ(Library.locale, 0u);
    EXPECT_EQ(Library.libraryFlags, 0x2);
    EXPECT_EQ(StdOle.libid.toString(), "{00020430-0000-0000-C000-000000000046}");
    EXPECT_EQ(StdOle.majorVersion, 2);
    EXPECT_EQ(StdOle.fileName, "stdole2.tlb");
    const std::pair<std::string_view, std::string_view> imported[] = {
        {"IDispatch", "{00020400-0000-0000-C000-000000000046}"},
        {"OLE_COLOR", "{66504301-BE0F-101A-8BBB-00AA00300CAB}"},
        {"Font", "{BEF6E003-A874-101A-8BBA-00AA00300CAB}"},
        {"Picture", "{7BF80981-BF32-101A-8BBB-00AA00300CAB}"},
    };
    ASSERT_EQ(std::size(ImportedTypes), std::size(imported));
    for (std::size_t i = 0; i < std::size(imported); ++i) {
        EXPECT_EQ(ImportedTypes[i].name, imported[i].first);
        EXPECT_EQ(ImportedTypes[i].guid.toString(), imported[i].second);
    }
}

TEST(IdlTypeNames, EachMemberTypeHasItsAutomationSpelling) {
    EXPECT_EQ(idlTypeName(MemberType::I2), "short");
    EXPECT_EQ(idlTypeName(MemberType::I4), "long");
    EXPECT_EQ(idlTypeName(MemberType::Bool), "VARIANT_BOOL");
    EXPECT_EQ(idlTypeName(MemberType::BSTR), "BSTR");
    EXPECT_EQ(idlTypeName(MemberType::OleColor), "OLE_COLOR");
    EXPECT_EQ(idlTypeName(MemberType::Font), "Font*");
    EXPECT_EQ(idlTypeName(MemberType::Picture), "Picture*");
    EXPECT_EQ(idlTypeName(MemberType::R4), "float");
    EXPECT_EQ(idlTypeName(MemberType::Variant), "VARIANT");
    EXPECT_EQ(idlTypeName(MemberType::IDispatch), "IDispatch*");
}

// --- The generated description -------------------------------------------------------------

// The opening of an attribute list with the member's identifier, "[id(0x...)". Written into the
// buffer directly: g++ 12 at -O3 misreads "[" + a string as an overlapping copy.
std::string attributesOf(DispId id) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "[id(0x%08x)", static_cast<std::uint32_t>(id));
    return buf;
}

std::string ascii(std::u16string_view s) {
    return {s.begin(), s.end()};
}

std::string uuidOf(const Guid& g) {
    std::string s = g.toString();
    return "uuid(" + s.substr(1, s.size() - 2) + ")";
}

// The text from `open` to the first "};" after it; empty when `open` is not there.
std::string block(const std::string& text, const std::string& open) {
    auto start = text.find(open);
    if (start == std::string::npos) return {};
    auto end = text.find("};", start);
    return text.substr(start, end - start);
}

// Checks that the lines appear in the text in this order, each after the one before.
void expectInOrder(const std::string& text, const std::vector<std::string>& lines) {
    std::size_t at = 0;
    for (const std::string& line : lines) {
        auto found = text.find(line, at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line;
        at = found + line.size();
    }
}

class GeneratedIdl : public ::testing::Test {
protected:
    std::string idl = generateIdl(shippedClasses());
};

TEST_F(GeneratedIdl, TheLibraryBlockCarriesItsIdentityAndImportsTheStandardTypes) {
    expectInOrder(idl, {"import \"oaidl.idl\";", "[", "uuid(BD41AE3D-0FAF-4214-9A0B-BF007B329C65)",
                        "version(31.0)", "control", "helpstring(\"", "helpfile(\"",
                        "library Tessivra", "{", "importlib(\"stdole2.tlb\");"});
    EXPECT_NE(idl.find("helpfile(\"" + std::string(Library.helpFile) + "\")"), std::string::npos);
    EXPECT_NE(idl.find("IFontDisp Font;"), std::string::npos);
    EXPECT_NE(idl.find("IPictureDisp Picture;"), std::string::npos);
    EXPECT_EQ(idl, generateIdl(shippedClasses())); // the same tables give the same bytes
}

TEST_F(GeneratedIdl, EveryMemberOfEveryBuiltClassAppearsWithItsIdentifierInInterfaceOrder) {
    int built = 0;
    for (const ControlClassInfo& c : shippedClasses()) {
        if (!c.Class) continue;
        ++built;
        SCOPED_TRACE(std::string(c.Name));
        const std::string iface =
            block(idl, "interface " + std::string(c.DefaultInterface.name) + " : IDispatch {");
        ASSERT_FALSE(iface.empty());
        std::vector<std::string> lines;
        std::size_t accessors = 0;
        for (const DispatchMember& m : c.Class->members) {
            const std::string name = ascii(m.name);
            const std::string help = ", helpstring(\"" + ascii(m.doc) + "\")]";
            const std::string type(idlTypeName(m.type));
            if (m.access & access::Call) {
                lines.push_back(attributesOf(m.id) + help);
                lines.push_back("HRESULT " + name +
                                "([in] IDispatch* Menu, [in, optional] VARIANT "
                                "Flags");
                ++accessors;
            }
            if (m.access & access::Get) {
                lines.push_back(attributesOf(m.id) + ", propget" + help);
                lines.push_back("HRESULT " + name + "([out, retval] " + type + "*);");
                ++accessors;
            }
            if (m.access & access::Let) {
                lines.push_back(attributesOf(m.id) + ", propput" + help);
                lines.push_back("HRESULT " + name + "([in] " + type + ");");
                ++accessors;
            }
            if (m.access & access::Set) {
                lines.push_back(attributesOf(m.id) + ", propputref" + help);
                lines.push_back("HRESULT " + name + "([in] " + type + ");");
                ++accessors;
            }
        }
        expectInOrder(iface, lines);
        // Nothing beyond the members: one HRESULT per accessor.
        std::size_t count = 0;
        for (auto at = iface.find("HRESULT "); at != std::string::npos;
             at = iface.find("HRESULT ", at + 1))
            ++count;
        EXPECT_EQ(count, accessors);
    }
    EXPECT_GE(built, 1);
}

TEST_F(GeneratedIdl, EveryEventIsADispatchMethodWithItsArgumentsByReference) {
    for (const ControlClassInfo& c : shippedClasses()) {
        if (!c.Class) continue;
        SCOPED_TRACE(std::string(c.Name));
        const std::string events =
            block(idl, "dispinterface " + std::string(c.EventInterface.name) + " {");
        ASSERT_FALSE(events.empty());
        std::vector<std::string> lines{"properties:", "methods:"};
        for (const EventInfo& e : c.Class->events) {
            lines.push_back(attributesOf(e.id) + ", helpstring(\"" + ascii(e.doc) + "\")]");
            std::string sig = "void " + ascii(e.name) + "(";
            for (std::size_t i = 0; i < e.params.size(); ++i)
                sig += (i ? ", " : "") + std::string("[in, out] ") +
                       std::string(idlTypeName(e.params[i].type)) + "* " + ascii(e.params[i].name);
            lines.push_back(sig + ");");
        }
        expectInOrder(events, lines);
    }
    // The KeyPress handler's argument is one the client can change.
    EXPECT_NE(idl.find("void KeyPress([in, out] short* KeyAscii);"), std::string::npos);
}

TEST_F(GeneratedIdl, EveryBuiltClassHasItsThreeTypesWithTheirIdentifiersInLibraryOrder) {
    std::vector<std::string> order;
    for (const TypeDescription& t : typeDescriptions(shippedClasses())) {
        if (!t.cls->Class) {
            // A class not built leaves no trace but its name in the opening comment.
            EXPECT_EQ(idl.find(uuidOf(t.guid)), std::string::npos) << t.name;
            continue;
        }
        // The identifier stands in the attribute list just before the type it belongs to.
        switch (t.kind) {
        case TypeKind::DualInterface:
            order.push_back(uuidOf(t.guid));
            order.push_back("interface " + std::string(t.name) + " : IDispatch {");
            break;
        case TypeKind::Coclass:
            order.push_back(uuidOf(t.guid));
            order.push_back("control\n    ]\n    coclass " + std::string(t.name) + " {");
            order.push_back("[default] interface " + std::string(t.cls->DefaultInterface.name) +
                            ";");
            order.push_back("[default, source] dispinterface " +
                            std::string(t.cls->EventInterface.name) + ";");
            break;
        case TypeKind::EventInterface:
            order.push_back(uuidOf(t.guid));
            order.push_back("dispinterface " + std::string(t.name) + " {");
            break;
        }
    }
    expectInOrder(idl, order);
    const std::string dual =
        block(idl, "[\n        " + uuidOf(typeDescriptions(shippedClasses())[6].guid));
    expectInOrder(dual, {"hidden", "dual", "nonextensible", "oleautomation"});
}

TEST_F(GeneratedIdl, ClassesNotYetBuiltAreNamedAsLeftOut) {
    std::vector<std::string> missing;
    for (const ControlClassInfo& c : shippedClasses())
        if (!c.Class) missing.push_back(std::string(c.Name));
    const auto note = idl.find("Not part of this build");
    if (missing.empty()) {
        EXPECT_EQ(note, std::string::npos);
        return;
    }
    ASSERT_NE(note, std::string::npos);
    const std::string line = idl.substr(note, idl.find('\n', note) - note);
    for (const std::string& name : missing)
        EXPECT_NE(line.find(name), std::string::npos) << name;
}

} // namespace
} // namespace tessivra
