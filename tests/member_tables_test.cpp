// Every class's member and event tables, written out here by hand, row by row, and compared with
// what each class built so far carries. A class joins the comparison by itself when its control
// is entered in the class table.

#include "controls/shipped_classes.h"
#include "framework/dispatch.h"
#include "framework/registry/class_table.h"
#include "tests/support.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tessivra {
namespace {

using MT = MemberType;

enum Access : std::uint8_t {
    Get = access::Get,
    Let = access::Let,
    Set = access::Set,
    Call = access::Call,
    GetLet = access::Get | access::Let,
    GetSet = access::Get | access::Set,
};

struct ExpectedMember {
    std::u16string_view name;
    DispId id;
    std::uint8_t access;
    MemberType type;
};

struct ExpectedParam {
    std::u16string_view name;
    MemberType type;
};

struct ExpectedEvent {
    std::u16string_view name;
    DispId id;
    std::vector<ExpectedParam> params;
};

struct ExpectedClass {
    std::vector<ExpectedMember> members;
    std::vector<ExpectedEvent> events;
};

constexpr DispId P(int n) {
    return 0x68030000 + n;
}
constexpr DispId FontId = -512;

const std::map<std::string, ExpectedClass>& expectedClasses() {
    const std::vector<ExpectedParam> none;
    const std::vector<ExpectedParam> key{{u"KeyCode", MT::I2}, {u"Shift", MT::I2}};
    const std::vector<ExpectedParam> ascii{{u"KeyAscii", MT::I2}};
    const std::vector<ExpectedParam> mouse{
        {u"Button", MT::I2}, {u"Shift", MT::I2}, {u"X", MT::R4}, {u"Y", MT::R4}};
    // The nine events of the text boxes that have DblClick.
    const std::vector<ExpectedEvent> nineEvents{
        {u"Change", 1, none},     {u"Click", 2, none},      {u"DblClick", 3, none},
        {u"KeyDown", 4, key},     {u"KeyPress", 5, ascii},  {u"KeyUp", 6, key},
        {u"MouseDown", 7, mouse}, {u"MouseMove", 8, mouse}, {u"MouseUp", 9, mouse},
    };

    static const std::map<std::string, ExpectedClass> classes{
        {"UrlText",
         {{
              {u"Alignment", P(0xD), GetLet, MT::I2},
              {u"BackColor", P(0xC), GetLet, MT::OleColor},
              {u"BorderStyle", P(0xB), GetLet, MT::I2},
              {u"Enabled", P(0xA), Let, MT::Bool},
              {u"Font", FontId, GetSet, MT::Font},
              {u"ForeColor", P(0x9), GetLet, MT::OleColor},
              {u"Locked", P(0x8), GetLet, MT::Bool},
              {u"MaxLength", P(0x7), GetLet, MT::I4},
              {u"MouseIcon", P(0x6), GetSet, MT::Picture},
              {u"MousePointer", P(0x5), GetLet, MT::I2},
              {u"SelLength", P(0x4), GetLet, MT::I4},
              {u"SelStart", P(0x3), GetLet, MT::I4},
              {u"SelText", P(0x2), GetLet, MT::BSTR},
              {u"Text", P(0x1), GetLet, MT::BSTR},
              {u"ToolTipText", P(0x0), GetLet, MT::BSTR},
          },
          {
              {u"Change", 1, none},
              {u"Click", 2, none},
              {u"KeyDown", 3, key},
              {u"KeyPress", 4, ascii},
              {u"KeyUp", 5, key},
              {u"MouseDown", 6, mouse},
              {u"MouseMove", 7, mouse},
              {u"MouseUp", 8, mouse},
          }}},
        {"MailText",
         {{
              {u"Alignment", P(0xD), GetLet, MT::I2},
              {u"BackColor", P(0xC), GetLet, MT::OleColor},
              {u"BorderStyle", P(0xB), GetLet, MT::I2},
              // Font stands between BorderStyle and Enabled in this interface only.
              {u"Font", FontId, GetSet, MT::Font},
              {u"Enabled", P(0xA), GetLet, MT::Bool},
              {u"ForeColor", P(0x9), GetLet, MT::OleColor},
              {u"Locked", P(0x8), GetLet, MT::Bool},
              {u"MaxLength", P(0x7), GetLet, MT::I4},
              {u"MouseIcon", P(0x6), GetSet, MT::Picture},
              {u"MousePointer", P(0x5), GetLet, MT::I2},
              {u"SelLength", P(0x4), GetLet, MT::I4},
              {u"SelStart", P(0x3), GetLet, MT::I4},
              {u"SelText", P(0x2), GetLet, MT::BSTR},
              {u"Text", P(0x1), GetLet, MT::BSTR},
              {u"ToolTipText", P(0x0), GetLet, MT::BSTR},
          },
          nineEvents}},
        {"TextoEmMinusculo",
         {{
              {u"Alignment", P(0x10), GetLet, MT::I2},
              {u"BackColor", P(0xF), GetLet, MT::OleColor},
              {u"BorderStyle", P(0xE), GetLet, MT::I2},
              {u"Enabled", P(0xD), GetLet, MT::Bool},
              {u"Font", FontId, GetSet, MT::Font},
              {u"ForeColor", P(0xC), GetLet, MT::OleColor},
              {u"Locked", P(0xB), GetLet, MT::Bool},
              {u"MaxLength", P(0xA), GetLet, MT::I4},
              {u"MouseIcon", P(0x9), GetSet, MT::Picture},
              {u"MousePointer", P(0x8), GetLet, MT::I2},
              {u"MultiLine", P(0x7), Get, MT::Bool},
              {u"PasswordChar", P(0x6), GetLet, MT::BSTR},
              {u"ScrollBars", P(0x5), Get, MT::I2},
              {u"SelLength", P(0x4), GetLet, MT::I4},
              {u"SelStart", P(0x3), GetLet, MT::I4},
              {u"SelText", P(0x2), GetLet, MT::BSTR},
              {u"Text", P(0x1), GetLet, MT::BSTR},
              {u"ToolTipText", P(0x0), GetLet, MT::BSTR},
          },
          nineEvents}},
        {"TextoEmMaiusculo",
         {{
              {u"Alignment", P(0x10), GetLet, MT::I2},
              {u"BackColor", P(0xF), GetLet, MT::OleColor},
              {u"BorderStyle", P(0xE), GetLet, MT::I2},
              {u"Enabled", P(0xD), GetLet, MT::Bool},
              {u"Font", FontId, GetSet, MT::Font},
              {u"ForeColor", P(0xC), GetLet, MT::OleColor},
              {u"Locked", P(0xB), GetLet, MT::Bool},
              {u"MaxLength", P(0xA), GetLet, MT::I4},
              {u"MouseIcon", P(0x9), GetSet, MT::Picture},
              {u"MousePointer", P(0x8), GetLet, MT::I2},
              {u"MultiLine", P(0x7), Get, MT::Bool},
              {u"PasswordChar", P(0x6), GetLet, MT::BSTR},
              {u"PopupMenu", 0x6003001C, Call, MT::Void},
              {u"ScrollBars", P(0x5), Get, MT::I2},
              {u"SelLength", P(0x4), GetLet, MT::I4},
              {u"SelStart", P(0x3), GetLet, MT::I4},
              {u"SelText", P(0x2), GetLet, MT::BSTR},
              {u"Text", P(0x1), GetLet, MT::BSTR},
              {u"ToolTipText", P(0x0), GetLet, MT::BSTR},
          },
          nineEvents}},
        {"ScrollText",
         {{
              {u"BackColor", P(0x10), GetLet, MT::OleColor},
              {u"BorderStyle", P(0xF), GetLet, MT::I2},
              {u"Enabled", P(0xE), GetLet, MT::Bool},
              {u"Font", FontId, GetSet, MT::Font},
              {u"ForeColor", P(0xD), GetLet, MT::OleColor},
              {u"Locked", P(0xC), GetLet, MT::Bool},
              {u"MaskPicture", P(0xB), GetSet, MT::Picture},
              {u"Max", P(0xA), GetLet, MT::I2},
              {u"MaxLength", P(0x9), GetLet, MT::I4},
              {u"Min", P(0x8), GetLet, MT::I2},
              {u"MouseIcon", P(0x7), GetSet, MT::Picture},
              {u"MousePointer", P(0x6), GetLet, MT::I2},
              {u"SelLength", P(0x5), GetLet, MT::I4},
              {u"SelStart", P(0x4), GetLet, MT::I4},
              {u"SelText", P(0x3), GetLet, MT::BSTR},
              {u"Text", P(0x2), GetLet, MT::BSTR},
              {u"ToolTipText", P(0x1), GetLet, MT::BSTR},
              {u"Value", P(0x0), GetLet, MT::I2},
          },
          nineEvents}},
        {"Moeda",
         {{
              {u"Alignment", P(0xC), GetLet, MT::I2},
              {u"BackColor", P(0xB), GetLet, MT::OleColor},
              {u"BorderStyle", P(0xA), GetLet, MT::I2},
              {u"Enabled", P(0x9), GetLet, MT::Bool},
              {u"Font", FontId, GetSet, MT::Font},
              {u"ForeColor", P(0x8), GetLet, MT::OleColor},
              {u"Locked", P(0x7), GetLet, MT::Bool},
              {u"MouseIcon", P(0x6), GetSet, MT::Picture},
              {u"MousePointer", P(0x5), GetLet, MT::I2},
              {u"SelLength", P(0x4), GetLet, MT::I4},
              {u"SelStart", P(0x3), GetLet, MT::I4},
              {u"SelText", P(0x2), GetLet, MT::BSTR},
              {u"Text", P(0x1), GetLet, MT::BSTR},
              {u"ToolTipText", P(0x0), GetLet, MT::BSTR},
          },
          nineEvents}},
        {"HoraAtual",
         {{
              {u"BackColor", P(0x4), GetLet, MT::OleColor},
              {u"Font", FontId, GetSet, MT::Font},
              {u"ForeColor", P(0x3), GetLet, MT::OleColor},
              {u"MouseIcon", P(0x2), GetSet, MT::Picture},
              {u"MousePointer", P(0x1), GetLet, MT::I2},
              {u"ToolTipText", P(0x0), GetLet, MT::BSTR},
          },
          {
              {u"DblClick", 1, none},
              {u"MouseDown", 2, mouse},
              {u"MouseMove", 3, mouse},
              {u"MouseUp", 4, mouse},
          }}},
        {"Sobre", {{}, {}}},
    };
    return classes;
}

// The documentation strings, one per name, the same in every interface.
const std::map<std::u16string_view, std::u16string_view> kExpectedDocs{
    {u"Alignment",
     u"Returns/sets the alignment of a CheckBox or OptionButton, or a control's text."},
    {u"BackColor",
     u"Returns/sets the background color used to display text and graphics in an object."},
    {u"BorderStyle", u"Returns/sets the border style for an object."},
    {u"Enabled", u"Returns/sets a value that determines whether an object can respond to "
                 u"user-generated events."},
    {u"Font", u"Returns a Font object."},
    {u"ForeColor",
     u"Returns/sets the foreground color used to display text and graphics in an object."},
    {u"Locked", u"Determines whether a control can be edited."},
    {u"MaskPicture", u"Returns/sets the picture that specifies the clickable/drawable area of the "
                     u"control when BackStyle is 0 (transparent)."},
    {u"Max", u"Returns/sets a scroll bar position's maximum Value property setting."},
    {u"MaxLength",
     u"Returns/sets the maximum number of characters that can be entered in a control."},
    {u"Min", u"Returns/sets a scroll bar position's maximum Value property setting."},
    {u"MouseIcon", u"Sets a custom mouse icon."},
    {u"MousePointer",
     u"Returns/sets the type of mouse pointer displayed when over part of an object."},
    {u"MultiLine",
     u"Returns/sets a value that determines whether a control can accept multiple lines of text."},
    {u"PasswordChar", u"Returns/sets a value that determines whether characters typed by a user or "
                      u"placeholder characters are displayed in a control."},
    {u"PopupMenu", u"Displays a pop-up menu on an MDIForm or Form object."},
    {u"ScrollBars", u"Returns/sets a value indicating whether an object has vertical or horizontal "
                    u"scroll bars."},
    {u"SelLength", u"Returns/sets the number of characters selected."},
    {u"SelStart", u"Returns/sets the starting point of text selected."},
    {u"SelText", u"Returns/sets the string containing the currently selected text."},
    {u"Text", u"Returns/sets the text contained in the control."},
    {u"ToolTipText", u"Returns/sets the text displayed when the mouse is paused over the control."},
    {u"Value", u"Returns/sets the value of an object."},
    {u"Change", u"Occurs when the contents of a control have changed."},
    {u"Click", u"Occurs when the user presses and then releases a mouse button over an object."},
    {u"DblClick", u"Occurs when the user presses and releases a mouse button and then presses and "
                  u"releases it again over an object."},
    {u"KeyDown", u"Occurs when the user presses a key while an object has the focus."},
    {u"KeyPress", u"Occurs when the user presses and releases an ANSI key."},
    {u"KeyUp", u"Occurs when the user releases a key while an object has the focus."},
    {u"MouseDown", u"Occurs when the user presses the mouse button while an object has the focus."},
    {u"MouseMove", u"Occurs when the user moves the mouse."},
    {u"MouseUp", u"Occurs when the user releases the mouse button while an object has the focus."},
};

std::string narrow(std::u16string_view s) {
    return {s.begin(), s.end()};
}

std::vector<const ControlClassInfo*> builtClasses() {
    std::vector<const ControlClassInfo*> built;
    for (const ControlClassInfo& info : shippedClasses())
        if (info.Class) built.push_back(&info);
    return built;
}

TEST(MemberTables, TheExpectationCoversEveryClassOfTheTableAndTheUpperCaseBoxIsBuilt) {
    std::set<std::string> inTable;
    for (const ControlClassInfo& info : shippedClasses())
        inTable.insert(std::string(info.Name));
    std::set<std::string> expected;
    for (const auto& [name, cls] : expectedClasses())
        expected.insert(name);
    EXPECT_EQ(inTable, expected);

    std::set<std::string> built;
    for (const ControlClassInfo* info : builtClasses())
        built.insert(std::string(info->Name));
    EXPECT_TRUE(built.contains("TextoEmMaiusculo"));
    // Which classes this run compared, for whoever reads the log.
    std::string list;
    for (const std::string& n : built)
        list += " " + n;
    RecordProperty("built", list);
}

TEST(MemberTables, EveryBuiltClassHasExactlyTheExpectedMembersInInterfaceOrder) {
    for (const ControlClassInfo* info : builtClasses()) {
        SCOPED_TRACE(std::string(info->Name));
        const ControlClass& cls = *info->Class;
        EXPECT_EQ(narrow(cls.name), info->Name);
        const ExpectedClass& want = expectedClasses().at(std::string(info->Name));
        ASSERT_EQ(cls.members.size(), want.members.size());
        for (std::size_t i = 0; i < want.members.size(); ++i) {
            const DispatchMember& m = cls.members[i];
            const ExpectedMember& w = want.members[i];
            SCOPED_TRACE(narrow(w.name));
            EXPECT_EQ(m.name, w.name);
            EXPECT_EQ(m.id, w.id);
            EXPECT_EQ(m.access, w.access);
            EXPECT_EQ(m.type, w.type);
            EXPECT_EQ(m.doc, kExpectedDocs.at(w.name));
            // Each access kind the row offers has its procedure, and no other.
            EXPECT_EQ(m.get != nullptr, (w.access & access::Get) != 0);
            EXPECT_EQ(m.put != nullptr, (w.access & (access::Let | access::Set)) != 0);
            EXPECT_EQ(m.call != nullptr, (w.access & access::Call) != 0);
        }
    }
}

TEST(MemberTables, PopupMenuTakesARequiredMenuAndFourOptionalValues) {
    const ControlClass* cls = findByProgId(shippedClasses(), "Tessivra.TextoEmMaiusculo")->Class;
    ASSERT_NE(cls, nullptr);
    const DispatchMember* popup = memberById(*cls, 0x6003001C);
    ASSERT_NE(popup, nullptr);
    const std::vector<std::pair<std::u16string_view, MemberType>> want{
        {u"Menu", MT::IDispatch}, {u"Flags", MT::Variant},       {u"X", MT::Variant},
        {u"Y", MT::Variant},      {u"DefaultMenu", MT::Variant},
    };
    ASSERT_EQ(popup->params.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(popup->params[i].name, want[i].first);
        EXPECT_EQ(popup->params[i].type, want[i].second);
        EXPECT_EQ(popup->params[i].optional, i > 0);
    }
}

TEST(MemberTables, EveryBuiltClassRaisesExactlyTheExpectedEvents) {
    for (const ControlClassInfo* info : builtClasses()) {
        SCOPED_TRACE(std::string(info->Name));
        const ControlClass& cls = *info->Class;
        const ExpectedClass& want = expectedClasses().at(std::string(info->Name));
        ASSERT_EQ(cls.events.size(), want.events.size());
        for (std::size_t i = 0; i < want.events.size(); ++i) {
            const EventInfo& e = cls.events[i];
            const ExpectedEvent& w = want.events[i];
            SCOPED_TRACE(narrow(w.name));
            EXPECT_EQ(e.name, w.name);
            EXPECT_EQ(e.id, w.id);
            EXPECT_EQ(e.doc, kExpectedDocs.at(w.name));
            ASSERT_EQ(e.params.size(), w.params.size());
            for (std::size_t p = 0; p < w.params.size(); ++p) {
                EXPECT_EQ(e.params[p].name, w.params[p].name);
                EXPECT_EQ(e.params[p].type, w.params[p].type);
                EXPECT_FALSE(e.params[p].optional);
            }
        }
    }
}

TEST(MemberTables, NamesAndIdentifiersAreUniqueWithinEachBuiltClass) {
    for (const ControlClassInfo* info : builtClasses()) {
        SCOPED_TRACE(std::string(info->Name));
        std::set<DispId> ids;
        std::set<std::string> names;
        for (const DispatchMember& m : info->Class->members) {
            EXPECT_TRUE(ids.insert(m.id).second) << m.id;
            // Names are looked up without regard to case, so they must differ in more than case.
            std::string folded = narrow(m.name);
            for (char& c : folded)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            EXPECT_TRUE(names.insert(folded).second) << folded;
        }
        for (const EventInfo& e : info->Class->events) {
            std::string folded = narrow(e.name);
            for (char& c : folded)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            EXPECT_TRUE(names.insert(folded).second) << folded;
        }
    }
}

// Places an instance of a class of the table on the form through the class's own constructor.
ErrorOr<Control*> place(headless::HeadlessForm& form, const ControlClassInfo& info) {
    using Made = headless::ControlFactory::result_type;
    auto create = info.create;
    return form.add(
        fromUtf8(info.Name), [create](Site s) -> Made { return TRY(create(s)); },
        info.Class->designWidth, info.Class->designHeight);
}

TEST(MemberTables, AContainerReachesEveryMemberAndEventOfEveryBuiltClassByName) {
    for (const ControlClassInfo* info : builtClasses()) {
        SCOPED_TRACE(std::string(info->Name));
        headless::HeadlessForm form;
        auto made = place(form, *info);
        ASSERT_FALSE(made.isError()) << toUtf8(made.error().description);
        Dispatcher d(*made.value());
        const ExpectedClass& want = expectedClasses().at(std::string(info->Name));
        for (const ExpectedMember& w : want.members) {
            SCOPED_TRACE(narrow(w.name));
            std::u16string upper(w.name);
            for (char16_t& c : upper)
                if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
            auto id = d.idOfName(upper);
            ASSERT_FALSE(id.isError());
            EXPECT_EQ(id.value(), w.id);
            if (w.access & access::Get) {
                // A fresh instance answers every read, in the member's own type.
                auto v = d.invoke(w.id, InvokeKind::Get);
                ASSERT_FALSE(v.isError()) << toUtf8(v.error().description);
                const ValueType t = valueTypeOf(w.type);
                if (t == ValueType::Font || t == ValueType::Picture)
                    EXPECT_TRUE(v.value().type() == t || v.value().isNothing());
                else
                    EXPECT_EQ(v.value().type(), t);
                // Writing back what was read is accepted by the kind of assignment the type
                // calls for, and the other kind is refused.
                const std::uint8_t assign = w.access & (access::Let | access::Set);
                if (assign) {
                    const Value again[] = {v.value()};
                    const bool byReference = assign == access::Set;
                    auto put =
                        d.invoke(w.id, byReference ? InvokeKind::Set : InvokeKind::Let, again);
                    EXPECT_FALSE(put.isError()) << toUtf8(put.error().description);
                    auto wrong =
                        d.invoke(w.id, byReference ? InvokeKind::Let : InvokeKind::Set, again);
                    EXPECT_EQ(wrong.error().code, dispstatus::MemberNotFound);
                }
            } else {
                EXPECT_EQ(d.invoke(w.id, InvokeKind::Get).error().code, dispstatus::MemberNotFound);
            }
        }
        for (const ExpectedEvent& w : want.events) {
            auto id = d.idOfName(w.name);
            ASSERT_FALSE(id.isError()) << narrow(w.name);
            EXPECT_EQ(id.value(), w.id);
            ASSERT_NE(eventById(d.controlClass(), w.id), nullptr);
        }
    }
}

// The identifiers a container is most likely to get wrong, asked of live instances by name.
TEST(MemberTables, InstancesAnswerTheDocumentedIdentifiersAndRefuseWhatTheyLack) {
    struct Ask {
        std::string_view cls;
        std::u16string_view name;
        std::optional<DispId> id; // nothing: the class has no such name
    };
    const Ask asks[] = {
        {"HoraAtual", u"ToolTipText", 0x68030000},
        {"HoraAtual", u"BackColor", 0x68030004},
        {"ScrollText", u"Value", 0x68030000},
        {"ScrollText", u"ToolTipText", 0x68030001},
        {"MailText", u"BorderStyle", 0x6803000B},
        {"MailText", u"Enabled", 0x6803000A},
        {"MailText", u"ForeColor", 0x68030009},
        {"UrlText", u"DblClick", std::nullopt},
        {"MailText", u"DblClick", 3},
        {"HoraAtual", u"DblClick", 1},
        {"HoraAtual", u"Text", std::nullopt},
        {"Sobre", u"Font", std::nullopt},
        {"Sobre", u"Click", std::nullopt},
        {"TextoEmMinusculo", u"PopupMenu", std::nullopt},
    };
    std::size_t asked = 0;
    for (const Ask& a : asks) {
        const ControlClassInfo* info =
            findByProgId(shippedClasses(), "Tessivra." + std::string(a.cls));
        ASSERT_NE(info, nullptr);
        if (!info->Class) continue;
        SCOPED_TRACE(std::string(a.cls) + "." + narrow(a.name));
        headless::HeadlessForm form;
        auto made = place(form, *info);
        ASSERT_FALSE(made.isError());
        Dispatcher d(*made.value());
        auto id = d.idOfName(a.name);
        EXPECT_EQ(id.isError(), !a.id.has_value());
        if (a.id && !id.isError()) {
            EXPECT_EQ(id.value(), *a.id);
        }
        ++asked;
    }
    EXPECT_GT(asked, 0u);

    // Every class with members has its font at the standard identifier.
    for (const ControlClassInfo* info : builtClasses()) {
        if (info->Class->members.empty()) continue;
        headless::HeadlessForm form;
        auto made = place(form, *info);
        ASSERT_FALSE(made.isError());
        auto font = Dispatcher(*made.value()).idOfName(u"Font");
        ASSERT_FALSE(font.isError()) << info->Name;
        EXPECT_EQ(font.value(), -512) << info->Name;
    }
}

TEST(MemberTables, UrlTextsEnabledCannotBeReadAndMultiLineCannotBeAssigned) {
    const ControlClassInfo* url = findByProgId(shippedClasses(), "Tessivra.UrlText");
    const ControlClassInfo* upper = findByProgId(shippedClasses(), "Tessivra.TextoEmMaiusculo");
    if (url->Class) {
        headless::HeadlessForm form;
        auto made = place(form, *url);
        ASSERT_FALSE(made.isError());
        Dispatcher d(*made.value());
        EXPECT_EQ(d.invoke(0x6803000A, InvokeKind::Get).error().code, dispstatus::MemberNotFound);
        const Value no[] = {Value::boolean(false)};
        EXPECT_FALSE(d.invoke(0x6803000A, InvokeKind::Let, no).isError());
    }
    headless::HeadlessForm form;
    auto made = place(form, *upper);
    ASSERT_FALSE(made.isError());
    Dispatcher d(*made.value());
    const Value yes[] = {Value::boolean(true)};
    EXPECT_EQ(d.invoke(0x68030007, InvokeKind::Let, yes).error().code, dispstatus::MemberNotFound);
    auto multiLine = d.invoke(0x68030007, InvokeKind::Get);
    ASSERT_FALSE(multiLine.isError());
    EXPECT_EQ(multiLine.value(), Value::boolean(false));
}

} // namespace
} // namespace tessivra
