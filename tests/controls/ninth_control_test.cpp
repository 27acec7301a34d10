// A ninth control joins a class table by one row: the test-only SoDigitos (tests/test_controls/)
// is entered after the library's own classes in a table of the test's, and is then found,
// created, counted, reached by name and identifier, heard through its events and saved and
// loaded, with nothing else written for it. The identifiers below are written out by hand.

#include "controls/shipped_classes.h"
#include "framework/dispatch.h"
#include "framework/idl.h"
#include "framework/registry/class_table.h"
#include "framework/registry/registration.h"
#include "tests/driver/host_driver.h"
#include "tests/test_controls/SoDigitos/SoDigitos.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tessivra::testing {
namespace {

// The one row: the class's identity, its tables and its constructor.
constexpr ControlClassInfo kSoDigitosRow{
    .Name = "SoDigitos",
    .ProgId = "Tessivra.SoDigitos",
    .Clsid = Guid::literal("{5D1A7C02-93E4-4B8F-A6C1-2E0F9B7D4A11}"),
    .DefaultInterface = {"_SoDigitos", Guid::literal("{5D1A7C03-93E4-4B8F-A6C1-2E0F9B7D4A11}")},
    .EventInterface = {"__SoDigitos", Guid::literal("{5D1A7C04-93E4-4B8F-A6C1-2E0F9B7D4A11}")},
    .MiscStatus = ControlMiscStatus,
    .ToolboxBitmap = 30000,
    .TypeFlags = TypeFlagControl,
    .Class = &SoDigitos::Class,
    .create = &createAsControl<SoDigitos>,
};

const std::vector<ControlClassInfo>& shippedAndOneMore() {
    static const std::vector<ControlClassInfo> rows = [] {
        std::vector<ControlClassInfo> r(shippedClasses().begin(), shippedClasses().end());
        r.push_back(kSoDigitosRow);
        return r;
    }();
    return rows;
}

// Makes the row's class through `table`, as a container does through the library's class table.
ControlMaker makerFrom(ControlClassTable& table, const ControlClassInfo& row) {
    return ControlMaker{[&table, &row](Site s) -> ErrorOr<std::shared_ptr<Control>> {
                            return std::shared_ptr<Control>(TRY(table.create(row, s)));
                        },
                        row.Class->designWidth, row.Class->designHeight};
}

class NinthControl : public HostTest {
protected:
    void SetUp() override {
        row = findByProgId(table.classes(), "Tessivra.SoDigitos");
        ASSERT_NE(row, nullptr);
        auto made = form.add(u"d1", makerFrom(table, *row));
        ASSERT_FALSE(made.isError()) << toUtf8(made.error().description);
        control = made.value();
        ASSERT_OK(form.place(u"d1"));
        form.setHandler(u"d1", &sink);
        sink.handler = [this](DispId id, EventArgs args) {
            raised.push_back(id);
            // The form turns an x into a 5 before the box's rule sees it.
            if (id == 4 && args.size() == 1 && args[0].i2() == 'x') args[0].i2() = '5';
        };
        dispatcher.emplace(*control);
    }

    ControlClassTable table{shippedAndOneMore()};
    const ControlClassInfo* row = nullptr;
    std::unique_ptr<HostDriver> host_ = makeHost();
    HostDriver& form = *host_;
    Control* control = nullptr;
    HandlerSink sink;
    std::vector<DispId> raised;
    std::optional<Dispatcher> dispatcher;
};

TEST_P(NinthControl, IsFoundOnlyInTheTableItWasEnteredInAndCountedThere) {
    EXPECT_EQ(findByProgId(shippedClasses(), "Tessivra.SoDigitos"), nullptr);
    EXPECT_EQ(table.classes().size(), shippedClasses().size() + 1);
    EXPECT_EQ(findByClsid(table.classes(), kSoDigitosRow.Clsid), row);
    // The library's own classes are still there, in their places.
    for (const ControlClassInfo& shipped : shippedClasses())
        EXPECT_EQ(findByProgId(table.classes(), shipped.ProgId)->Clsid, shipped.Clsid);
    EXPECT_EQ(&control->controlClass(), &SoDigitos::Class);
    EXPECT_EQ(table.liveInstances(), 1u);
    EXPECT_FALSE(table.canUnload());

    // The library's own table does not create what it does not hold.
    ControlClassTable shipped{shippedClasses()};
    auto other = makeHost();
    auto refused = other->add(u"x", makerFrom(shipped, *row));
    ASSERT_TRUE(refused.isError());
    EXPECT_EQ(refused.error().code, errc::ClassNotAvailable);
    EXPECT_TRUE(shipped.canUnload());
}

TEST_P(NinthControl, ItsIdentifiersFollowFromItsRows) {
    const std::pair<std::u16string_view, DispId> names[] = {
        {u"Alignment", 0x68030004},
        {u"BackColor", 0x68030003},
        {u"Font", -512},
        {u"Digitos", 0x68030002},
        {u"Text", 0x68030001},
        {u"ToolTipText", 0x68030000},
        {u"Change", 1},
        {u"DblClick", 2},
        {u"KeyDown", 3},
        {u"KeyPress", 4},
        {u"KeyUp", 5},
        {u"MouseDown", 6},
        {u"MouseMove", 7},
        {u"MouseUp", 8},
    };
    for (const auto& [name, id] : names) {
        auto got = dispatcher->idOfName(name);
        ASSERT_FALSE(got.isError()) << toUtf8(name);
        EXPECT_EQ(got.value(), id) << toUtf8(name);
    }
    for (std::u16string_view lacking : {u"Click", u"Enabled", u"MaxLength"})
        EXPECT_TRUE(dispatcher->idOfName(lacking).isError()) << toUtf8(lacking);
    const Value one[] = {Value(std::int32_t{1})};
    EXPECT_EQ(dispatcher->invoke(0x68030002, InvokeKind::Let, one).error().code,
              dispstatus::MemberNotFound);
}

TEST_P(NinthControl, ItsEventsGoOutUnderItsOwnNumbersAndItsRuleAppliesAfterTheForm) {
    ASSERT_OK(form.type(u"d1", u"1x 2"));
    EXPECT_EQ(Part(&form, u"d1", u"Text1").text(), u"152");
    // Per key KeyDown 3, KeyPress 4, Change 1 when the text changed, KeyUp 5.
    EXPECT_EQ(raised, (std::vector<DispId>{3, 4, 1, 5, 3, 4, 1, 5, 3, 4, 5, 3, 4, 1, 5}));
    for (DispId id : raised)
        EXPECT_NE(eventById(SoDigitos::Class, id), nullptr) << id;

    // The press and release go out; the click between them is not an event of this box.
    raised.clear();
    ASSERT_OK(form.click(u"d1"));
    EXPECT_EQ(raised, (std::vector<DispId>{6, 8}));
    raised.clear();
    ASSERT_OK(form.dblClick(u"d1"));
    EXPECT_EQ(raised, (std::vector<DispId>{6, 8, 2, 8}));

    auto digits = dispatcher->invoke(0x68030002, InvokeKind::Get);
    ASSERT_FALSE(digits.isError());
    EXPECT_EQ(digits.value(), Value(std::int32_t{3}));
}

TEST_P(NinthControl, ItsKeysAreSavedAndLoadedAsTheRowsSay) {
    const Value text[] = {Value(u"a7b")};
    ASSERT_FALSE(dispatcher->invoke(0x68030001, InvokeKind::Let, text).isError());
    const Value right[] = {Value(u"1")};
    ASSERT_FALSE(dispatcher->invoke(0x68030004, InvokeKind::Let, right).isError());
    auto bag = form.newBag();
    ASSERT_OK(form.save(u"d1", *bag));

    auto again = form.add(u"d2", makerFrom(table, *row));
    ASSERT_FALSE(again.isError());
    ASSERT_OK(form.load(u"d2", *bag));
    Dispatcher loaded(*again.value());
    EXPECT_EQ(loaded.invoke(0x68030001, InvokeKind::Get).value(), Value(u"a7b"));
    EXPECT_EQ(loaded.invoke(0x68030004, InvokeKind::Get).value(), Value(std::int16_t{1}));
    EXPECT_EQ(loaded.invoke(0x68030002, InvokeKind::Get).value(), Value(std::int32_t{1}));
    EXPECT_EQ(table.liveInstances(), 2u);
}

TESSIVRA_HOST_SUITE(NinthControl);

// The interface description and the registration are made from whatever table they are given, so
// the ninth row reaches both with nothing written for it.
TEST(NinthControlRow, IsDescribedAndRegisteredWithTheLibrarysOwnClasses) {
    const std::string idl = generateIdl(shippedAndOneMore());
    EXPECT_NE(idl.find("coclass SoDigitos"), std::string::npos);
    EXPECT_NE(idl.find("dispinterface __SoDigitos"), std::string::npos);
    EXPECT_EQ(generateIdl(shippedClasses()).find("SoDigitos"), std::string::npos);
    EXPECT_EQ(typeDescriptions(shippedAndOneMore()).size(),
              typeDescriptions(shippedClasses()).size() + 3);

    const auto records = registrationRecords(shippedAndOneMore(), "C:\\Tessivra.ocx");
    const auto progId = std::find_if(records.begin(), records.end(), [](const RegistryRecord& r) {
        return r.key.ends_with("\\Tessivra.SoDigitos\\CLSID");
    });
    ASSERT_NE(progId, records.end());
    EXPECT_EQ(progId->data, std::optional<std::string>("{5D1A7C02-93E4-4B8F-A6C1-2E0F9B7D4A11}"));
}

} // namespace
} // namespace tessivra::testing
