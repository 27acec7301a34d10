// Everything the registry makes from a table of classes follows the rows it is given: the type
// descriptions, the identifier resources, the registry records and the classes a server creates.
// Shown with a table of two of the shipped classes, so that no count can be a number written
// down for the eight.

#include "controls/display/Sobre/Sobre.h"
#include "controls/shipped_classes.h"
#include "framework/idl.h"
#include "framework/registry/registration.h"
#include "framework/registry/resources.h"
#include "tests/support.h"

#include <algorithm>

namespace tessivra::testing {
namespace {

// HoraAtual and Sobre, the last two rows.
std::span<const ControlClassInfo> twoClasses() {
    return shippedClasses().last(2);
}

TEST(ClassRows, TypeDescriptionsAreThreePerRowInLibraryOrder) {
    std::vector<std::string> names;
    for (const TypeDescription& t : typeDescriptions(twoClasses()))
        names.emplace_back(t.name);
    EXPECT_EQ(names, (std::vector<std::string>{"_HoraAtual", "HoraAtual", "_Sobre", "Sobre",
                                               "__HoraAtual", "__Sobre"}));
    EXPECT_EQ(typeDescriptions(shippedClasses()).size(), 3 * shippedClasses().size());
}

TEST(ClassRows, IdentifierResourcesAndTheDescriptionNameOnlyTheRowsGiven) {
    EXPECT_EQ(identifierResourceNames(twoClasses()),
              (std::vector<std::string>{"_IID_HORAATUAL", "_SRCIID_HORAATUAL", "_IID_SOBRE",
                                        "_SRCIID_SOBRE"}));
    EXPECT_TRUE(identifierResource(twoClasses(), "_IID_URLTEXT").empty());
    const std::string idl = generateIdl(twoClasses());
    EXPECT_NE(idl.find("coclass Sobre"), std::string::npos);
    EXPECT_EQ(idl.find("UrlText"), std::string::npos);
}

TEST(ClassRows, RegistrationOfFewerRowsWritesASubsetOfTheRecords) {
    const std::string_view path = "C:\\Tessivra.ocx";
    const auto all = registrationRecords(shippedClasses(), path);
    const auto some = registrationRecords(twoClasses(), path);
    ASSERT_LT(some.size(), all.size());
    for (const RegistryRecord& r : some) {
        EXPECT_NE(std::ranges::find(all, r), all.end()) << r.key;
        EXPECT_EQ(r.key.find("UrlText"), std::string::npos) << r.key;
        EXPECT_EQ(r.data.value_or("").find("UrlText"), std::string::npos) << r.key;
    }
    // The per-class records are the same number for every class; the rest is the type library's.
    const std::size_t perClass = (all.size() - some.size()) / (shippedClasses().size() - 2);
    EXPECT_EQ((all.size() - some.size()) % (shippedClasses().size() - 2), 0u);
    EXPECT_GT(some.size(), 2 * perClass);
}

TEST(ClassRows, AServerCreatesOnlyItsOwnRows) {
    HeadlessForm form;
    headless::HeadlessContainer container{form, u"c1"};
    ControlClassTable table{twoClasses()};
    const Site site{container, form.runtime(), form.shell(), form.objects()};

    auto url = table.create(*findByProgId(shippedClasses(), "Tessivra.UrlText"), site);
    ASSERT_TRUE(url.isError());
    EXPECT_EQ(url.error().code, errc::ClassNotAvailable);
    EXPECT_EQ(findByProgId(table.classes(), "Tessivra.UrlText"), nullptr);

    auto sobre = table.create(*findByProgId(table.classes(), "Tessivra.Sobre"), site);
    ASSERT_OK(sobre);
    EXPECT_NE(dynamic_cast<Sobre*>(sobre.value().get()), nullptr);
    EXPECT_FALSE(table.canUnload());
}

} // namespace
} // namespace tessivra::testing
