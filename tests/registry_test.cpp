// The library's frame as a container meets it: identifiers, the class table, creating and
// counting instances, self-registration and the headless registry with its .reg files.

#include "controls/shipped_classes.h"
#include "controls/text/TextoEmMaiusculo/TextoEmMaiusculo.h"
#include "framework/registry/class_table.h"
#include "framework/registry/guid.h"
#include "framework/registry/library.h"
#include "framework/registry/registration.h"
#include "hosts/headless/registry.h"

#include "tests/support.h"

#include <algorithm>
#include <filesystem>
#include <random>
#include <set>

namespace tessivra::headless {
// Failures show the registries as .reg text.
void PrintTo(const HeadlessRegistry& r, std::ostream* os) {
    *os << "\n" << r.toRegFile();
}
} // namespace tessivra::headless

namespace tessivra::testing {
namespace {

using headless::HeadlessContainer;
using headless::HeadlessRegistry;

constexpr std::string_view kSobreClsid = "{BE072725-34A3-4614-99C3-6D40CF08062D}";
constexpr std::string_view kLibraryPath = "C:\\Program Files\\Tessivra\\Tessivra.ocx";

std::string hkcr(std::string_view rest) {
    return "HKEY_CLASSES_ROOT\\" + std::string(rest);
}

// ---- identifiers ----------------------------------------------------------------------------

TEST(Guid, RegistryTextParsesInEitherCaseAndPrintsInUpperCase) {
    const Guid g = Guid::parse("{be072725-34a3-4614-99c3-6d40cf08062d}").value();
    EXPECT_EQ(g.data1, 0xBE072725u);
    EXPECT_EQ(g.data2, 0x34A3);
    EXPECT_EQ(g.data3, 0x4614);
    EXPECT_EQ(g.data4,
              (std::array<std::uint8_t, 8>{0x99, 0xC3, 0x6D, 0x40, 0xCF, 0x08, 0x06, 0x2D}));
    EXPECT_EQ(g.toString(), kSobreClsid);
    EXPECT_EQ(Guid::parse(g.toString()).value(), g);
    // Leading zeros are kept in every field.
    EXPECT_EQ(Guid(1, 2, 3, {0, 0, 0, 0, 0, 0, 0, 4}).toString(),
              "{00000001-0002-0003-0000-000000000004}");
}

TEST(Guid, BytesPutTheFirstThreeFieldsLittleEndianAndTheLastEightInOrder) {
    const Guid g = Guid::literal("{BE072725-34A3-4614-99C3-6D40CF08062D}");
    const std::array<std::uint8_t, 16> expected{0x25, 0x27, 0x07, 0xBE, 0xA3, 0x34, 0x14, 0x46,
                                                0x99, 0xC3, 0x6D, 0x40, 0xCF, 0x08, 0x06, 0x2D};
    EXPECT_EQ(g.toBytes(), expected);
    EXPECT_EQ(Guid::fromBytes(expected), g);
    for (const ControlClassInfo& c : shippedClasses())
        for (const Guid& id : {c.Clsid, c.DefaultInterface.iid, c.EventInterface.iid})
            EXPECT_EQ(Guid::fromBytes(id.toBytes()), id) << id.toString();
}

TEST(Guid, MalformedTextIsRefusedWithTheTextInTheMessage) {
    const std::string_view bad[] = {
        "",
        "{}",
        "BE072725-34A3-4614-99C3-6D40CF08062D",    // no braces
        "{BE072725-34A3-4614-99C3-6D40CF08062D",   // no closing brace
        "{BE072725-34A3-4614-99C3-6D40CF08062D}}", // one too many
        "{BE072725-34A3-4614-99C3-6D40CF08062}",   // a digit short
        "{BE072725-34A34614-99C3-6D40CF08062D0}",  // hyphen moved
        "{BE072725:34A3-4614-99C3-6D40CF08062D}",
        "{GE072725-34A3-4614-99C3-6D40CF08062D}",
        "{BE072725-34A3-4614-99C3-6D40CF08062 }",
        "(BE072725-34A3-4614-99C3-6D40CF08062D)",
        "{+E072725-34A3-4614-99C3-6D40CF08062D}",
        std::string_view("{BE072725-34A3-4614-99C3-6D40CF0806\0D}", 38),
    };
    for (const std::string_view text : bad) {
        EXPECT_FALSE(Guid::tryParse(text).has_value()) << text;
        const ErrorOr<Guid> parsed = Guid::parse(text);
        ASSERT_TRUE(parsed.isError()) << text;
        EXPECT_EQ(parsed.error().code, errc::InvalidProcedureCall);
        EXPECT_NE(toUtf8(parsed.error().description).find("Invalid identifier"), std::string::npos);
    }
}

TEST(Guid, OrderFollowsTheFieldsSoIdentifiersSortAsTheyRead) {
    const Guid a = Guid::literal("{00000001-FFFF-FFFF-FFFF-FFFFFFFFFFFF}");
    const Guid b = Guid::literal("{00000002-0000-0000-0000-000000000000}");
    const Guid c = Guid::literal("{00000002-0000-0000-0000-000000000001}");
    EXPECT_LT(a, b);
    EXPECT_LT(b, c);
    EXPECT_NE(a, b);
    EXPECT_TRUE(Guid{}.isNull());
    EXPECT_FALSE(a.isNull());
    static_assert(Guid::literal("{00000000-0000-0000-0000-000000000001}").data4[7] == 1);
}

// ---- the class table ------------------------------------------------------------------------

TEST(ClassTable, HoldsTheEightClassesInTypeLibraryOrderWithTheirFixedFlags) {
    const std::vector<std::string_view> expected{
        "UrlText",    "MailText", "TextoEmMinusculo", "TextoEmMaiusculo",
        "ScrollText", "Moeda",    "HoraAtual",        "Sobre"};
    std::vector<std::string_view> names;
    std::int32_t bitmap = 30007;
    for (const ControlClassInfo& c : shippedClasses()) {
        names.push_back(c.Name);
        // Appended rather than added to a literal: g++ 12 at -O3 wrongly reports an overlapping
        // copy (-Wrestrict) in a literal added to a string.
        const std::string name(c.Name);
        EXPECT_EQ(c.ProgId, std::string("Tessivra.").append(name));
        EXPECT_EQ(c.DefaultInterface.name, std::string("_").append(name));
        EXPECT_EQ(c.EventInterface.name, std::string("__").append(name));
        EXPECT_EQ(c.MiscStatus, 0x20191u);
        EXPECT_EQ(c.MiscStatus, 131473u);
        EXPECT_EQ(c.TypeFlags, 0x20);
        // The pictures run down from 30007 in table order.
        EXPECT_EQ(c.ToolboxBitmap, bitmap--) << c.Name;
    }
    EXPECT_EQ(names, expected);
}

TEST(ClassTable, EveryIdentifierIsDistinctAndNoneIsTheLibrarys) {
    std::set<Guid> seen{Library.libid};
    for (const ControlClassInfo& c : shippedClasses())
        for (const Guid& id : {c.Clsid, c.DefaultInterface.iid, c.EventInterface.iid}) {
            EXPECT_FALSE(id.isNull());
            EXPECT_TRUE(seen.insert(id).second) << id.toString();
        }
    EXPECT_EQ(seen.size(), 25u);
}

TEST(ClassTable, ProgIdLookupIsExactAndFindsEveryClass) {
    const ControlClassInfo* sobre = findByProgId(shippedClasses(), "Tessivra.Sobre");
    ASSERT_NE(sobre, nullptr);
    EXPECT_EQ(sobre->Clsid.toString(), kSobreClsid);
    EXPECT_EQ(sobre->ToolboxBitmap, 30000);
    // Sobre declares no events, yet its event interface has an identifier.
    EXPECT_EQ(sobre->EventInterface.iid.toString(), "{CD0CB74D-83F7-45F5-AB3B-589B4C03BB76}");

    const ControlClassInfo* url = findByProgId(shippedClasses(), "Tessivra.UrlText");
    ASSERT_NE(url, nullptr);
    EXPECT_EQ(url->ToolboxBitmap, 30007);

    // The about window is private to the library.
    EXPECT_EQ(findByProgId(shippedClasses(), "Tessivra.frmAbout"), nullptr);
    EXPECT_EQ(findByProgId(shippedClasses(), u"Tessivra.frmAbout"), nullptr);
    for (const std::string_view near : {"Sobre", "Tessivra.", "Tessivra.Sobre ", "Tessivra.Sobr",
                                        "Tessivra.SobreX", "", "Tessivra\xC2\xB7Sobre"})
        EXPECT_EQ(findByProgId(shippedClasses(), near), nullptr) << near;

    for (const ControlClassInfo& c : shippedClasses()) {
        EXPECT_EQ(findByProgId(shippedClasses(), c.ProgId), &c);
        const std::u16string wide(c.ProgId.begin(), c.ProgId.end());
        EXPECT_EQ(findByProgId(shippedClasses(), wide), &c);
    }
}

// The component model's registry finds a ProgId whatever its case; the record found keeps the
// spelling the library registers.
TEST(ClassTable, ProgIdLookupIgnoresCaseAndKeepsTheRegisteredSpelling) {
    const ControlClassInfo* sobre = findByProgId(shippedClasses(), "Tessivra.Sobre");
    for (const std::string_view spelling : {"tessivra.sobre", "TESSIVRA.SOBRE", "tEsSiVrA.sObRe"}) {
        EXPECT_EQ(findByProgId(shippedClasses(), spelling), sobre) << spelling;
        const std::u16string wide(spelling.begin(), spelling.end());
        EXPECT_EQ(findByProgId(shippedClasses(), wide), sobre) << spelling;
    }
    EXPECT_EQ(sobre->ProgId, "Tessivra.Sobre");
    const ControlClassInfo* upper = findByProgId(shippedClasses(), "tessivra.textoemmaiusculo");
    ASSERT_NE(upper, nullptr);
    EXPECT_EQ(upper->Name, "TextoEmMaiusculo");
    // Only ASCII letters fold: a character that merely looks alike is another name.
    EXPECT_EQ(findByProgId(shippedClasses(), u"Tessivra.\u0405obre"), nullptr);
    EXPECT_EQ(findByProgId(shippedClasses(), u"tessivra.frmabout"), nullptr);
}

TEST(ClassTable, ClsidLookupFindsOnlyClassIdentifiers) {
    for (const ControlClassInfo& c : shippedClasses()) {
        EXPECT_EQ(findByClsid(shippedClasses(), c.Clsid), &c);
        EXPECT_EQ(findByClsid(shippedClasses(), c.DefaultInterface.iid), nullptr);
        EXPECT_EQ(findByClsid(shippedClasses(), c.EventInterface.iid), nullptr);
    }
    EXPECT_EQ(findByClsid(shippedClasses(), Library.libid), nullptr);
    EXPECT_EQ(findByClsid(shippedClasses(), Guid{}), nullptr);
}

TEST(ClassTable, AClassThatCanBeCreatedCarriesItsOwnClassDescription) {
    int available = 0;
    for (const ControlClassInfo& c : shippedClasses()) {
        EXPECT_EQ(c.isAvailable(), c.Class != nullptr) << c.Name;
        if (!c.isAvailable()) continue;
        ++available;
        EXPECT_EQ(toUtf8(c.Class->name), c.Name);
    }
    EXPECT_GE(available, 1);
    EXPECT_EQ(findByProgId(shippedClasses(), "Tessivra.TextoEmMaiusculo")->Class,
              &TextoEmMaiusculo::Class);
}

// ---- creating and counting instances ---------------------------------------------------------

class ClassCreation : public ::testing::Test {
protected:
    Site site() { return Site{container, form.runtime(), form.shell(), form.objects()}; }
    // An instance made through the table on this fixture's container.
    ControlHandle make(std::string_view progId) {
        auto made = table.create(*findByProgId(shippedClasses(), progId), site());
        EXPECT_FALSE(made.isError()) << toUtf8(made.error().description);
        return made.isError() ? ControlHandle{} : made.releaseValue();
    }

    HeadlessForm form;
    HeadlessContainer container{form, u"c1"};
    ControlClassTable table{shippedClasses()};
};

TEST_F(ClassCreation, TextoEmMaiusculoIsCreatedByProgIdOrClsidWithItsConstituents) {
    {
        ControlHandle c = make("Tessivra.TextoEmMaiusculo");
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(&c->controlClass(), &TextoEmMaiusculo::Class);
        EXPECT_NE(dynamic_cast<TextoEmMaiusculo*>(c.get()), nullptr);
        EXPECT_NE(container.find<HeadlessTextBox>(u"Text1"), nullptr);
    }
    const Guid clsid = Guid::literal("{B1F39F20-0EC1-474C-AA22-EE56F214819F}");
    HeadlessContainer other{form, u"c2"};
    auto made = table.create(*findByClsid(shippedClasses(), clsid),
                             Site{other, form.runtime(), form.shell(), form.objects()});
    ASSERT_OK(made);
    EXPECT_NE(dynamic_cast<TextoEmMaiusculo*>(made.value().get()), nullptr);
}

TEST_F(ClassCreation, AClassNotInTheBuildFailsWith429NamingItAndTouchesNothing) {
    for (const ControlClassInfo& c : shippedClasses()) {
        if (c.isAvailable()) continue;
        auto made = table.create(c, site());
        ASSERT_TRUE(made.isError()) << c.Name;
        EXPECT_EQ(made.error().code, 429);
        const std::string text = toUtf8(made.error().description);
        EXPECT_NE(text.find("can't create object"), std::string::npos) << text;
        EXPECT_NE(text.find(std::string(c.ProgId) + " is not available"), std::string::npos)
            << text;
    }
    const ControlClassInfo* mail = findByProgId(shippedClasses(), "Tessivra.MailText");
    if (!mail->isAvailable()) {
        EXPECT_EQ(toUtf8(table.create(*mail, site()).error().description),
                  "ActiveX component can't create object: Tessivra.MailText is not available "
                  "in this build");
    }
    EXPECT_TRUE(container.constituents().empty());
    EXPECT_EQ(table.liveInstances(), 0u);
    EXPECT_TRUE(table.canUnload());
}

TEST_F(ClassCreation, ARecordThatIsNotTheTablesIsRefusedEvenWithAFactory) {
    ControlClassInfo forged = *findByProgId(shippedClasses(), "Tessivra.TextoEmMaiusculo");
    forged.Clsid = Guid::literal("{00000000-0000-0000-0000-00000000BEEF}");
    auto made = table.create(forged, site());
    ASSERT_TRUE(made.isError());
    EXPECT_EQ(made.error().code, 429);
    EXPECT_NE(toUtf8(made.error().description).find("not a class of this library"),
              std::string::npos);
    EXPECT_TRUE(container.constituents().empty());
    EXPECT_TRUE(table.canUnload());
}

TEST_F(ClassCreation, AHostFailureWhileCreatingComesBackUnchangedAndCountsNothing) {
    form.faults().failNext("c1.Text1.Create");
    auto made = table.create(*findByProgId(shippedClasses(), "Tessivra.TextoEmMaiusculo"), site());
    ASSERT_TRUE(made.isError());
    EXPECT_EQ(made.error().code, headless::InjectedFailureCode);
    EXPECT_EQ(table.liveInstances(), 0u);
    EXPECT_TRUE(table.canUnload());
}

TEST_F(ClassCreation, UnloadWaitsForEveryLiveInstanceAndEveryLock) {
    EXPECT_TRUE(table.canUnload());
    ControlHandle a = make("Tessivra.TextoEmMaiusculo");
    HeadlessContainer second{form, u"c2"};
    auto madeB = table.create(*findByProgId(shippedClasses(), "Tessivra.TextoEmMaiusculo"),
                              Site{second, form.runtime(), form.shell(), form.objects()});
    ASSERT_OK(madeB);
    ControlHandle b = madeB.releaseValue();
    EXPECT_EQ(table.liveInstances(), 2u);
    EXPECT_FALSE(table.canUnload());
    a.reset();
    EXPECT_EQ(table.liveInstances(), 1u);
    EXPECT_FALSE(table.canUnload());

    table.lockServer(true);
    b.reset();
    EXPECT_EQ(table.liveInstances(), 0u);
    EXPECT_FALSE(table.canUnload()); // the lock still holds the library
    table.lockServer(true);
    table.lockServer(false);
    EXPECT_FALSE(table.canUnload());
    table.lockServer(false);
    EXPECT_TRUE(table.canUnload());
    // A release with no lock held does not go below zero and hide a later lock.
    table.lockServer(false);
    table.lockServer(true);
    EXPECT_FALSE(table.canUnload());
}

TEST_F(ClassCreation, TablesCountTheirOwnInstancesAndAnInstanceMayOutliveItsTable) {
    ControlClassTable other{shippedClasses()};
    ControlHandle a = make("Tessivra.TextoEmMaiusculo");
    EXPECT_FALSE(table.canUnload());
    EXPECT_TRUE(other.canUnload());

    ControlHandle survivor;
    HeadlessContainer second{form, u"c2"};
    {
        ControlClassTable shortLived{shippedClasses()};
        auto made = shortLived.create(*findByProgId(shippedClasses(), "Tessivra.TextoEmMaiusculo"),
                                      Site{second, form.runtime(), form.shell(), form.objects()});
        ASSERT_OK(made);
        survivor = made.releaseValue();
    }
    survivor.reset(); // releases into the state the table left behind
    EXPECT_EQ(table.liveInstances(), 1u);
}

// ---- registration ---------------------------------------------------------------------------

TEST(Registration, RecordsHoldEveryClassInterfaceAndTheTypeLibraryOnce) {
    const auto records = registrationRecords(shippedClasses(), kLibraryPath);
    // Per class: 2 under the ProgId, 10 under the class identifier, 5 per interface.
    EXPECT_EQ(records.size(), 8u * (2 + 10 + 2 * 5) + 4);
    std::set<std::pair<std::string, std::string>> unique;
    for (const RegistryRecord& r : records) {
        EXPECT_TRUE(r.key.starts_with("HKEY_CLASSES_ROOT\\")) << r.key;
        EXPECT_TRUE(unique.emplace(r.key, r.name).second) << r.key << " " << r.name;
    }
    // Only the control mark is a key without a value.
    EXPECT_EQ(std::ranges::count_if(records, [](const auto& r) { return !r.data; }), 8);
    // The path changes the data only.
    const auto elsewhere = registrationRecords(shippedClasses(), "D:\\other\\Tessivra.ocx");
    ASSERT_EQ(elsewhere.size(), records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(elsewhere[i].key, records[i].key);
        EXPECT_EQ(elsewhere[i].name, records[i].name);
    }
}

TEST(Registration, LibraryFolderIsThePathUpToItsLastSeparator) {
    EXPECT_EQ(libraryFolder("C:\\Program Files\\Tessivra\\Tessivra.ocx"),
              "C:\\Program Files\\Tessivra");
    EXPECT_EQ(libraryFolder("/usr/lib/tessivra/Tessivra.ocx"), "/usr/lib/tessivra");
    EXPECT_EQ(libraryFolder("Tessivra.ocx"), "");
    EXPECT_EQ(libraryFolder("C:\\Tessivra.ocx"), "C:");
}

class Registered : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_OK(registerClasses(shippedClasses(), registry, kLibraryPath)); }
    std::optional<std::string> read(std::string_view key, std::string_view name = "") {
        auto v = registry.readValue(hkcr(key), name);
        EXPECT_FALSE(v.isError());
        return v.isError() ? std::nullopt : v.value();
    }
    HeadlessRegistry registry;
};

TEST_F(Registered, TheProgIdLeadsToTheClassAndTheClassToThisFile) {
    EXPECT_EQ(read("Tessivra.Sobre"), "Tessivra.Sobre");
    EXPECT_EQ(read("Tessivra.Sobre\\CLSID"), kSobreClsid);
    const std::string clsid = "CLSID\\" + std::string(kSobreClsid);
    EXPECT_EQ(read(clsid), "Tessivra.Sobre");
    EXPECT_EQ(read(clsid + "\\ProgID"), "Tessivra.Sobre");
    EXPECT_EQ(read(clsid + "\\InprocServer32"), kLibraryPath);
    EXPECT_EQ(read(clsid + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_TRUE(registry.keyExists(hkcr(clsid + "\\Control")).value());
    EXPECT_TRUE(registry.values(hkcr(clsid + "\\Control")).empty());
    EXPECT_EQ(read(clsid + "\\MiscStatus"), "0");
    EXPECT_EQ(read(clsid + "\\MiscStatus\\1"), "131473");
    EXPECT_EQ(read(clsid + "\\ToolboxBitmap32"), std::string(kLibraryPath) + ", 30000");
    EXPECT_EQ(read(clsid + "\\TypeLib"), "{BD41AE3D-0FAF-4214-9A0B-BF007B329C65}");
    EXPECT_EQ(read(clsid + "\\Version"), "31.0");
    EXPECT_EQ(read("CLSID\\{218AE136-5255-4656-AA74-893F7AECD4AE}\\ToolboxBitmap32"),
              std::string(kLibraryPath) + ", 30007");
}

TEST_F(Registered, BothInterfacesOfEveryClassGoThroughTheAutomationMarshaller) {
    for (const ControlClassInfo& c : shippedClasses())
        for (const InterfaceInfo& itf : {c.DefaultInterface, c.EventInterface}) {
            const std::string key = "Interface\\" + itf.iid.toString();
            EXPECT_EQ(read(key), std::string(itf.name));
            EXPECT_EQ(read(key + "\\ProxyStubClsid32"), "{00020424-0000-0000-C000-000000000046}");
            EXPECT_EQ(read(key + "\\ProxyStubClsid"), "{00020424-0000-0000-C000-000000000046}");
            EXPECT_EQ(read(key + "\\TypeLib"), "{BD41AE3D-0FAF-4214-9A0B-BF007B329C65}");
            EXPECT_EQ(read(key + "\\TypeLib", "Version"), "31.0");
        }
    EXPECT_EQ(read("Interface\\{CD0CB74D-83F7-45F5-AB3B-589B4C03BB76}"), "__Sobre");
}

TEST_F(Registered, TheTypeLibraryIsRegisteredAsAControlLibraryInThisFile) {
    const std::string tl = "TypeLib\\{BD41AE3D-0FAF-4214-9A0B-BF007B329C65}\\31.0";
    EXPECT_EQ(read(tl), std::string(Library.description));
    EXPECT_EQ(read(tl + "\\FLAGS"), "2");
    EXPECT_EQ(read(tl + "\\0\\win32"), kLibraryPath);
    EXPECT_EQ(read(tl + "\\HELPDIR"), "C:\\Program Files\\Tessivra");
}

TEST_F(Registered, KeysAreFoundWhateverTheCaseTheyAreAskedIn) {
    auto v = registry.readValue(
        "hkey_classes_root\\clsid\\{be072725-34a3-4614-99c3-6d40cf08062d}\\inprocserver32",
        "threadingmodel");
    ASSERT_OK(v);
    EXPECT_EQ(v.value(), "Apartment");
}

// A registry that already holds other software's entries, some inside keys the library shares.
HeadlessRegistry populatedRegistry() {
    HeadlessRegistry r;
    const std::string sobre = "CLSID\\" + std::string(kSobreClsid);
    EXPECT_FALSE(r.setValue(hkcr(".txt"), "", "txtfile").isError());
    EXPECT_FALSE(r.setValue(hkcr("CLSID\\{11111111-2222-3333-4444-555555555555}\\InprocServer32"),
                            "", "C:\\other.dll")
                     .isError());
    EXPECT_FALSE(
        r.setValue(hkcr(sobre), "AppID", "{99999999-0000-0000-0000-000000000000}").isError());
    EXPECT_FALSE(r.createKey(hkcr(sobre + "\\Implemented Categories\\{40FC6ED4-2438-11CF-A3DB-"
                                          "080036F12502}"))
                     .isError());
    EXPECT_FALSE(
        r.setValue(hkcr("TypeLib\\{BD41AE3D-0FAF-4214-9A0B-BF007B329C65}\\1.0"), "", "old build")
            .isError());
    EXPECT_FALSE(r.createKey(hkcr("Interface")).isError());
    EXPECT_FALSE(r.setValue("HKEY_CURRENT_USER\\Software\\Tessivra", "Seen", "yes").isError());
    return r;
}

TEST(Registration, UnregisteringRestoresARegistryThatHeldOtherEntriesExactly) {
    HeadlessRegistry registry = populatedRegistry();
    const HeadlessRegistry before = registry;
    ASSERT_OK(registerClasses(shippedClasses(), registry, kLibraryPath));
    EXPECT_NE(registry, before);
    // Registering twice writes the same records again and changes nothing more.
    const HeadlessRegistry once = registry;
    ASSERT_OK(registerClasses(shippedClasses(), registry, kLibraryPath));
    EXPECT_EQ(registry, once);

    ASSERT_OK(unregisterClasses(shippedClasses(), registry));
    EXPECT_EQ(registry, before) << registry.toRegFile();
    // The shared class key kept the other software's value and subkey.
    auto appId = registry.readValue(hkcr("CLSID\\" + std::string(kSobreClsid)), "AppID");
    ASSERT_OK(appId);
    EXPECT_TRUE(appId.value().has_value());
}

TEST(Registration, UnregisteringKeepsOnlyTheSharedClassKeysAndASecondTimeChangesNothing) {
    HeadlessRegistry registry;
    ASSERT_OK(registerClasses(shippedClasses(), registry, "Tessivra.ocx"));
    ASSERT_OK(unregisterClasses(shippedClasses(), registry));
    // Every component server files its entries under these; they are not the library's to drop.
    EXPECT_EQ(registry.keys(),
              (std::vector<std::string>{hkcr("CLSID"), hkcr("Interface"), hkcr("TypeLib")}));
    for (const std::string& key : registry.keys())
        EXPECT_TRUE(registry.values(key).empty()) << key;

    HeadlessRegistry other = populatedRegistry();
    const HeadlessRegistry before = other;
    ASSERT_OK(unregisterClasses(shippedClasses(), other));
    EXPECT_EQ(other, before);
}

TEST(Registration, ANarrowedScopeLeavesTheTypeLibraryAndKeepsTheSharedKeysOnRemoval) {
    // A server that registers its type library with the system writes only the classes' keys.
    HeadlessRegistry registry;
    ASSERT_OK(registerClasses(shippedClasses(), registry, kLibraryPath, {.typeLibrary = false}));
    const std::string libraryKey = hkcr("TypeLib\\" + Library.libid.toString());
    EXPECT_FALSE(registry.keyExists(libraryKey).value());
    const std::string progIdKey = hkcr("Tessivra.Moeda\\CLSID");
    ASSERT_TRUE(registry.readValue(progIdKey, "").value().has_value());

    // Removed while the other architecture still serves the classes: the ProgId keys the two
    // share stay, the class keys go.
    ASSERT_OK(
        unregisterClasses(shippedClasses(), registry, {.typeLibrary = false, .sharedKeys = false}));
    EXPECT_TRUE(registry.readValue(progIdKey, "").value().has_value());
    for (const ControlClassInfo& c : shippedClasses())
        EXPECT_FALSE(registry.keyExists(hkcr("CLSID\\" + c.Clsid.toString())).value()) << c.ProgId;

    // The last one out takes the shared keys too, and only the keys every server shares remain.
    ASSERT_OK(unregisterClasses(shippedClasses(), registry, {.typeLibrary = false}));
    EXPECT_EQ(registry.keys(), (std::vector<std::string>{hkcr("CLSID"), hkcr("Interface")}));
}

// A backend that gives out after a number of changes, as a registry without write access would.
class FailingRegistry final : public RegistryBackend {
public:
    explicit FailingRegistry(int allowed) : allowed_(allowed) {}
    HeadlessRegistry inner;
    int changes = 0;

    ErrorOr<void> createKey(std::string_view key) override {
        TRY(change());
        return inner.createKey(key);
    }
    ErrorOr<void> setValue(std::string_view key, std::string_view name,
                           std::string_view data) override {
        TRY(change());
        return inner.setValue(key, name, data);
    }
    ErrorOr<void> deleteValue(std::string_view key, std::string_view name) override {
        TRY(change());
        return inner.deleteValue(key, name);
    }
    ErrorOr<bool> deleteKeyIfEmpty(std::string_view key) override {
        TRY(change());
        return inner.deleteKeyIfEmpty(key);
    }
    ErrorOr<bool> keyExists(std::string_view key) override { return inner.keyExists(key); }
    ErrorOr<std::optional<std::string>> readValue(std::string_view key,
                                                  std::string_view name) override {
        return inner.readValue(key, name);
    }

private:
    ErrorOr<void> change() {
        if (changes == allowed_) return Error{70, u"Permission denied"};
        ++changes;
        return {};
    }
    int allowed_;
};

TEST(Registration, ABackendFailureStopsRegisteringThereAndIsReturned) {
    FailingRegistry registry(5);
    auto result = registerClasses(shippedClasses(), registry, kLibraryPath);
    ASSERT_TRUE(result.isError());
    EXPECT_EQ(result.error().code, 70);
    EXPECT_EQ(registry.changes, 5);
    // The five records before the failure stay; nothing after it was written.
    const auto records = registrationRecords(shippedClasses(), kLibraryPath);
    EXPECT_EQ(registry.inner.readValue(records[4].key, records[4].name).value(), records[4].data);
    EXPECT_FALSE(registry.inner.readValue(records[5].key, records[5].name).value().has_value());

    FailingRegistry removing(0);
    ASSERT_OK(registerClasses(shippedClasses(), removing.inner, kLibraryPath));
    auto removed = unregisterClasses(shippedClasses(), removing);
    ASSERT_TRUE(removed.isError());
    EXPECT_EQ(removed.error().code, 70);
}

// ---- the headless registry ------------------------------------------------------------------

TEST(HeadlessRegistryKeys, NamesMatchWithoutCaseAndKeepTheirFirstSpelling) {
    HeadlessRegistry r;
    ASSERT_OK(r.setValue(hkcr("Alpha\\Beta"), "Name", "1"));
    ASSERT_OK(r.setValue(hkcr("ALPHA\\beta"), "NAME", "2"));
    EXPECT_EQ(r.keys(), (std::vector<std::string>{hkcr("Alpha"), hkcr("Alpha\\Beta")}));
    EXPECT_EQ(r.values(hkcr("alpha\\BETA")),
              (std::vector<std::pair<std::string, std::string>>{{"Name", "2"}}));
    // The hive is spelled as Windows spells it whatever it was given as.
    ASSERT_OK(r.createKey("hkey_local_machine\\Software"));
    EXPECT_EQ(r.keys().back(), "HKEY_LOCAL_MACHINE\\Software");
}

TEST(HeadlessRegistryKeys, SubkeysFollowTheirParentEvenWhenASiblingSortsBetween) {
    HeadlessRegistry r;
    // "A!" and "A0" sort before "A\..." by character code; the tree order must not care.
    for (const char* k : {"A!", "A\\B", "A0", "A", "A\\B\\C", "a\\b2"})
        ASSERT_OK(r.createKey(hkcr(k)));
    EXPECT_EQ(r.keys(), (std::vector<std::string>{hkcr("A"), hkcr("A\\B"), hkcr("A\\B\\C"),
                                                  hkcr("A\\b2"), hkcr("A!"), hkcr("A0")}));
    EXPECT_FALSE(r.deleteKeyIfEmpty(hkcr("A")).value());
    EXPECT_FALSE(r.deleteKeyIfEmpty(hkcr("A\\B")).value());
    EXPECT_TRUE(r.deleteKeyIfEmpty(hkcr("A\\B\\C")).value());
    EXPECT_TRUE(r.deleteKeyIfEmpty(hkcr("A\\B")).value());
    EXPECT_FALSE(r.deleteKeyIfEmpty(hkcr("A")).value()); // b2 is still there
    EXPECT_TRUE(r.deleteKeyIfEmpty(hkcr("A\\B2")).value());
    EXPECT_TRUE(r.deleteKeyIfEmpty(hkcr("A")).value());
    EXPECT_FALSE(r.deleteKeyIfEmpty(hkcr("A")).value()); // already gone: not a failure
    EXPECT_TRUE(r.keyExists(hkcr("A!")).value());
}

TEST(HeadlessRegistryKeys, AKeyWithAValueIsNotDeletedAndMissingValuesAreNoFailure) {
    HeadlessRegistry r;
    ASSERT_OK(r.setValue(hkcr("K"), "", ""));
    EXPECT_FALSE(r.deleteKeyIfEmpty(hkcr("K")).value()); // an empty default value is a value
    ASSERT_OK(r.deleteValue(hkcr("K"), "missing"));
    ASSERT_OK(r.deleteValue(hkcr("Nowhere"), ""));
    ASSERT_OK(r.deleteValue(hkcr("K"), ""));
    EXPECT_TRUE(r.deleteKeyIfEmpty(hkcr("K")).value());
    EXPECT_TRUE(r.empty());
}

TEST(HeadlessRegistryKeys, MalformedPathsAndHiveValuesAreRefused) {
    HeadlessRegistry r;
    for (const std::string_view bad :
         {std::string_view(""), std::string_view("HKCR\\X"), std::string_view("Software\\X"),
          std::string_view("HKEY_CLASSES_ROOT\\"), std::string_view("HKEY_CLASSES_ROOT\\\\X"),
          std::string_view("HKEY_CLASSES_ROOT\\X\\"), std::string_view("HKEY_CLASSES_ROOT\\A\nB"),
          std::string_view("HKEY_CLASSES_ROOT\\A\0B", 21)}) {
        EXPECT_TRUE(r.createKey(bad).isError()) << bad;
        EXPECT_TRUE(r.setValue(bad, "", "x").isError()) << bad;
        EXPECT_TRUE(r.keyExists(bad).isError()) << bad;
    }
    EXPECT_TRUE(r.createKey(hkcr(std::string(256, 'k'))).isError());
    ASSERT_OK(r.createKey(hkcr(std::string(255, 'k'))));
    EXPECT_TRUE(r.setValue("HKEY_CLASSES_ROOT", "", "x").isError());
    EXPECT_TRUE(r.setValue(hkcr("K"), "a\r\nb", "x").isError());
    EXPECT_TRUE(r.setValue(hkcr("K"), "a", "line\nbreak").isError());
    EXPECT_TRUE(r.keyExists("HKEY_USERS").value());
    EXPECT_FALSE(r.keyExists(hkcr("K")).value()); // nothing was created by the refused calls
}

// ---- .reg files -----------------------------------------------------------------------------

TEST(RegFile, WritesRegedit4WithEscapedStringsAndEveryKey) {
    HeadlessRegistry r;
    ASSERT_OK(r.setValue(hkcr("App\\Sub"), "", "C:\\dir\\a \"b\""));
    ASSERT_OK(r.setValue(hkcr("App\\Sub"), "Quote\"d", "x"));
    ASSERT_OK(r.createKey(hkcr("App\\Empty")));
    EXPECT_EQ(r.toRegFile(), "REGEDIT4\r\n"
                             "\r\n"
                             "[HKEY_CLASSES_ROOT\\App]\r\n"
                             "\r\n"
                             "[HKEY_CLASSES_ROOT\\App\\Empty]\r\n"
                             "\r\n"
                             "[HKEY_CLASSES_ROOT\\App\\Sub]\r\n"
                             "@=\"C:\\\\dir\\\\a \\\"b\\\"\"\r\n"
                             "\"Quote\\\"d\"=\"x\"\r\n"
                             "\r\n");
    EXPECT_EQ(HeadlessRegistry().toRegFile(), "REGEDIT4\r\n\r\n");
}

TEST(RegFile, WhatIsWrittenReadsBackTheSame) {
    HeadlessRegistry r = populatedRegistry();
    ASSERT_OK(registerClasses(shippedClasses(), r, kLibraryPath));
    ASSERT_OK(r.setValue(hkcr("Odd\\Names"), "tab\there", "ünïcödé \\\\ \"\" ; [x] @=\"y\""));
    ASSERT_OK(r.setValue(hkcr("Odd\\Names"), "@", "a value named @, not the default"));
    auto back = HeadlessRegistry::fromRegFile(r.toRegFile());
    ASSERT_OK(back);
    EXPECT_EQ(back.value(), r);
    EXPECT_EQ(back.value().toRegFile(), r.toRegFile());
}

TEST(RegFile, ReadsWhatEditorsWriteBesidesOurOwnLayout) {
    auto r = HeadlessRegistry::fromRegFile("\xEF\xBB\xBFREGEDIT4\n"
                                           "; a comment\n"
                                           "[HKEY_CLASSES_ROOT]\n"
                                           "[hkey_classes_root\\A]\n"
                                           "@=\"1\"\n"
                                           "[HKEY_CLASSES_ROOT\\B\\C]\n"
                                           "\"x\"=\"2\"\n"
                                           "[HKEY_CLASSES_ROOT\\a]\n"
                                           "\"y\"=\"3\"\n"
                                           "@=\"4\"");
    ASSERT_OK(r);
    EXPECT_EQ(r.value().keys(), (std::vector<std::string>{hkcr("A"), hkcr("B"), hkcr("B\\C")}));
    EXPECT_EQ(r.value().values(hkcr("A")),
              (std::vector<std::pair<std::string, std::string>>{{"", "4"}, {"y", "3"}}));
}

TEST(RegFile, MalformedFilesAreRefusedWithTheLineAtFault) {
    const struct {
        std::string_view text;
        std::string_view message;
    } cases[] = {
        {"", "line 1: the first line must be REGEDIT4"},
        {"REGEDIT5\r\n", "line 1: the first line must be REGEDIT4"},
        {"Windows Registry Editor Version 5.00\r\n", "only REGEDIT4"},
        {"REGEDIT4\r\n\r\n@=\"x\"\r\n", "line 3: a value comes before any [key] line"},
        {"REGEDIT4\n[HKEY_CLASSES_ROOT\\A\n", "line 2: a [key] line must end with ]"},
        {"REGEDIT4\n[\n", "line 2: a [key] line must end with ]"},
        {"REGEDIT4\n[]\n", "line 2: Invalid registry key"},
        {"REGEDIT4\n[-HKEY_CLASSES_ROOT\\A]\n", "line 2: deleting a key"},
        {"REGEDIT4\n[HKCR\\A]\n", "does not start with a hive"},
        {"REGEDIT4\n[HKEY_CLASSES_ROOT\\A\\\\B]\n", "a key name is empty"},
        {"REGEDIT4\n[HKEY_CLASSES_ROOT\\A]\n\"x\"=dword:00000001\n", "line 3: only string"},
        {"REGEDIT4\n[HKEY_CLASSES_ROOT\\A]\n\"x\"=hex:01,02\n", "only string"},
        {"REGEDIT4\n[HKEY_CLASSES_ROOT\\A]\n\"x\"=-\n", "only string"},
        {"REGEDIT4\n[HKEY_CLASSES_ROOT\\A]\n\"x\"=\"open\n", "line 3: a string is not closed"},
        {"REGEDIT4\n[HKEY_CLASSES_ROOT\\A]\n\"x=\"y\"\n", "expected = after the value name"},
        {"REGEDIT4\n[HKEY_CLASSES_ROOT\\A]\n\"x\"=\"a\\nb\"\n", "may follow a backslash"},
        {"REGEDIT4\n[HKEY_CLASSES_ROOT\\A]\n\"x\"=\"a\\\"\n", "a string is not closed"},
        {"REGEDIT4\n[HKEY_CLASSES_ROOT\\A]\n\"x\"=\"y\" ;c\n", "unexpected text after the value"},
        {"REGEDIT4\n[HKEY_CLASSES_ROOT\\A]\n@ = \"y\"\n", "expected = after the value name"},
        {"REGEDIT4\n[HKEY_CLASSES_ROOT\\A]\nx=\"y\"\n", "line 3: expected a [key] line"},
        {"REGEDIT4\n[HKEY_CLASSES_ROOT]\n@=\"y\"\n", "a hive holds no values"},
        {"REGEDIT4\n[HKEY_CLASSES_ROOT\\A]\n@=\"y\x01\"\n", "control character"},
        {std::string_view("REGEDIT4\n[HKEY_CLASSES_ROOT\\A]\n@=\"\0\"\n", 37), "control character"},
    };
    for (const auto& c : cases) {
        auto r = HeadlessRegistry::fromRegFile(c.text);
        ASSERT_TRUE(r.isError()) << c.text;
        EXPECT_EQ(r.error().code, 321) << c.text;
        const std::string text = toUtf8(r.error().description);
        EXPECT_NE(text.find(c.message), std::string::npos) << c.text << "\n -> " << text;
        EXPECT_TRUE(text.starts_with("Invalid registry file: line ")) << text;
    }
}

TEST(RegFile, DamagedFilesAreEitherRefusedOrReadIntoSomethingThatWritesBackStably) {
    // Small enough to damage many times over; it holds every kind of line the reader knows.
    HeadlessRegistry r = populatedRegistry();
    ASSERT_OK(r.setValue(hkcr("Esc\\a\"b"), "", "back\\slash \"quoted\""));
    std::string good = r.toRegFile();
    good.insert(good.find('\n') + 1, "; made by hand\r\n");
    ASSERT_OK(HeadlessRegistry::fromRegFile(good));
    std::mt19937 random(20260101);
    static constexpr char kAlphabet[] = "[]\\\"@=;\r\n-xA\0\xff ";
    const std::string_view alphabet(kAlphabet, sizeof kAlphabet - 1);
    int refused = 0;
    for (int round = 0; round < 300; ++round) {
        std::string damaged = good;
        const int edits = 1 + static_cast<int>(random() % 4);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = random() % damaged.size();
            switch (random() % 3) {
            case 0:
                damaged[at] = alphabet[random() % alphabet.size()];
                break;
            case 1:
                damaged.erase(at, 1 + random() % 8);
                break;
            default:
                damaged.resize(at);
                break;
            }
        }
        auto read = HeadlessRegistry::fromRegFile(damaged);
        if (read.isError()) {
            ++refused;
            EXPECT_EQ(read.error().code, 321);
            continue;
        }
        auto again = HeadlessRegistry::fromRegFile(read.value().toRegFile());
        ASSERT_OK(again);
        EXPECT_EQ(again.value(), read.value());
    }
    EXPECT_GT(refused, 0);
}

TEST(RegFile, SavedFilesLoadBackAndAMissingFileIsReported) {
    const auto dir =
        std::filesystem::temp_directory_path() /
        ("tessivra-registry-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(dir);
    HeadlessRegistry r;
    ASSERT_OK(registerClasses(shippedClasses(), r, kLibraryPath));
    ASSERT_OK(r.save(dir / "Tessivra.reg"));
    auto back = HeadlessRegistry::load(dir / "Tessivra.reg");
    ASSERT_OK(back);
    EXPECT_EQ(back.value(), r);

    auto missing = HeadlessRegistry::load(dir / "absent.reg");
    ASSERT_TRUE(missing.isError());
    EXPECT_EQ(missing.error().code, 53);
    EXPECT_TRUE(r.save(dir / "no-such-folder" / "x.reg").isError());
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace tessivra::testing
