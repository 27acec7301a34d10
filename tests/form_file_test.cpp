// Form files: what is written comes back whole, a bad file is refused by the field that is
// wrong, and the command-line container stores and loads forms with nothing lost.

#include "hosts/headless/form_file.h"
#include "hosts/headless/journal.h"
#include "hosts/headless/text_file.h"
#include "tests/script_player.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <nlohmann/json.hpp>

namespace tessivra::headless {
namespace {

using testing::has;
using testing::play;

FormFile sampleForm() {
    FormFile form;
    form.caption = u"Pedido n\u00BA 1 \u2014 caf\u00E9";
    form.width = 7200.5f;
    form.height = 4800;
    FormControl mail;
    mail.name = u"txtMail";
    mail.classId = "Tessivra.MailText";
    mail.left = -120.25f;
    mail.top = 240;
    mail.width = 3000;
    mail.height = 315;
    mail.bag.put(u"Text", Value(std::u16string(u"a@b.c \U0001F600")));
    mail.bag.put(u"Broken", Value(std::u16string(u"x\xD800y"))); // a lone surrogate
    mail.bag.put(u"MaxLength", Value(std::int32_t{-2147483647 - 1}));
    mail.bag.put(u"Alignment", Value(std::int16_t{2}));
    mail.bag.put(u"Locked", Value::boolean(true));
    mail.bag.put(u"Ratio", Value(std::numeric_limits<float>::quiet_NaN()));
    mail.bag.put(u"DataSource", Value());
    auto font = std::make_shared<Font>(u"DejaVu Sans", 9.75f);
    font->weight = 700;
    font->italic = true;
    mail.bag.put(u"Font", Value(font));
    mail.bag.put(u"MouseIcon", Value(std::make_shared<Picture>(u"hand.cur", 3, 32, 32)));
    FormControl clock;
    clock.name = u"lblHora";
    clock.classId = "{BE072725-34A3-4614-99C3-6D40CF08062D}";
    clock.left = 0;
    clock.top = 600;
    clock.width = 1215;
    clock.height = 255;
    form.controls = {std::move(mail), std::move(clock)};
    return form;
}

void expectSameBag(const HeadlessPropertyBag& a, const HeadlessPropertyBag& b) {
    ASSERT_EQ(a.entries().size(), b.entries().size());
    for (std::size_t i = 0; i < a.entries().size(); ++i) {
        const auto& [ka, va] = a.entries()[i];
        const auto& [kb, vb] = b.entries()[i];
        EXPECT_EQ(ka, kb);
        EXPECT_EQ(va.type(), vb.type()) << toUtf8(ka);
        EXPECT_EQ(formatValue(va), formatValue(vb)) << toUtf8(ka);
    }
}

TEST(FormFile, RoundTripKeepsEveryFieldAndEveryBagEntry) {
    const FormFile form = sampleForm();
    const std::string text = form.toJson();
    auto back = FormFile::fromJson(text);
    ASSERT_FALSE(back.isError()) << toUtf8(back.error().description);
    const FormFile& f = back.value();
    EXPECT_EQ(f.caption, form.caption);
    EXPECT_EQ(f.width, 7200.5f);
    EXPECT_EQ(f.height, 4800.0f);
    ASSERT_EQ(f.controls.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const auto& a = form.controls[i];
        const auto& b = f.controls[i];
        EXPECT_EQ(a.name, b.name);
        EXPECT_EQ(a.classId, b.classId);
        EXPECT_EQ(a.left, b.left);
        EXPECT_EQ(a.top, b.top);
        EXPECT_EQ(a.width, b.width);
        EXPECT_EQ(a.height, b.height);
        EXPECT_EQ(b.tabIndex, static_cast<std::int16_t>(i));
        expectSameBag(a.bag, b.bag);
    }
    // Written again, it is the same file, byte for byte.
    EXPECT_EQ(f.toJson(), text);
}

// The controls come back in tab order whatever order the file lists them in.
TEST(FormFile, ControlsComeBackInTabOrder) {
    auto doc = nlohmann::json::parse(sampleForm().toJson());
    doc["controls"][0]["tabIndex"] = 7;
    doc["controls"][1]["tabIndex"] = 3;
    auto f = FormFile::fromJson(doc.dump());
    ASSERT_FALSE(f.isError()) << toUtf8(f.error().description);
    ASSERT_EQ(f.value().controls.size(), 2u);
    EXPECT_EQ(f.value().controls[0].name, u"lblHora");
    EXPECT_EQ(f.value().controls[1].name, u"txtMail");
}

// Each bad field is refused with an error that names it; nothing is read from such a file.
TEST(FormFile, BadFilesAreRefusedNamingTheField) {
    using nlohmann::json;
    const json good = json::parse(sampleForm().toJson());
    struct Case {
        const char* expected;
        std::function<void(json&)> spoil;
    };
    const Case cases[] = {
        {"format: ", [](json& d) { d["format"] = "tessivra-bag"; }},
        {"format: ", [](json& d) { d.erase("format"); }},
        {"version: ", [](json& d) { d["version"] = 2; }},
        {"caption: a string", [](json& d) { d["caption"] = 5; }},
        {"width: a size cannot be negative", [](json& d) { d["width"] = -1; }},
        {"height: out of range", [](json& d) { d["height"] = 1e40; }},
        {"controls: a list", [](json& d) { d["controls"] = json::object(); }},
        {"controls: missing", [](json& d) { d.erase("controls"); }},
        {"widht: unknown field", [](json& d) { d["widht"] = 1; }},
        {"controls[1]: an object", [](json& d) { d["controls"][1] = 3; }},
        {"controls[0].name: missing", [](json& d) { d["controls"][0].erase("name"); }},
        {"controls[0].name: empty", [](json& d) { d["controls"][0]["name"] = ""; }},
        {"controls[1].name: \"TXTMAIL\" is used twice",
         [](json& d) { d["controls"][1]["name"] = "TXTMAIL"; }},
        {"controls[0].progId: a ProgId", [](json& d) { d["controls"][0]["progId"] = 12; }},
        {"controls[1].progId: missing", [](json& d) { d["controls"][1].erase("progId"); }},
        {"controls[0].left: a number", [](json& d) { d["controls"][0]["left"] = "120"; }},
        {"controls[1].top: out of range", [](json& d) { d["controls"][1]["top"] = -3e9; }},
        {"controls[0].width: a size cannot be negative",
         [](json& d) { d["controls"][0]["width"] = -0.5; }},
        {"controls[1].height: missing", [](json& d) { d["controls"][1].erase("height"); }},
        {"controls[0].tabIndex: out of range",
         [](json& d) { d["controls"][0]["tabIndex"] = 40000; }},
        {"controls[0].tabIndex: out of range", [](json& d) { d["controls"][0]["tabIndex"] = -1; }},
        {"controls[0].tabIndex: an integer", [](json& d) { d["controls"][0]["tabIndex"] = 0.5; }},
        {"controls[1].tabIndex: 0 is used twice",
         [](json& d) { d["controls"][1]["tabIndex"] = 0; }},
        {"controls[0].Left: unknown field", [](json& d) { d["controls"][0]["Left"] = 1; }},
        {"controls[1].bag: an object", [](json& d) { d["controls"][1]["bag"] = json::array(); }},
        {"controls[0].bag: Overflow: a Long is out of range",
         [](json& d) { d["controls"][0]["bag"]["entries"][2]["value"] = 2147483648LL; }},
        {"controls[0].bag: Bad property bag file: unknown type",
         [](json& d) { d["controls"][0]["bag"]["entries"][0]["type"] = "Currency"; }},
    };
    for (const auto& c : cases) {
        json doc = good;
        c.spoil(doc);
        auto f = FormFile::fromJson(doc.dump());
        ASSERT_TRUE(f.isError()) << c.expected;
        const std::string why = toUtf8(f.error().description);
        EXPECT_EQ(f.error().code, errc::InvalidPropertyValue) << why;
        EXPECT_NE(why.find(c.expected), std::string::npos)
            << "expected " << c.expected << "\n got " << why;
    }
    for (const char* text : {"", "{", "[]", "null", "\"form\""}) {
        auto f = FormFile::fromJson(text);
        ASSERT_TRUE(f.isError()) << text;
        EXPECT_TRUE(toUtf8(f.error().description).starts_with("Bad form file: file: ")) << text;
    }
}

// The runner's `store` and `load`: a form stored, loaded on a fresh form and stored again is
// the same file, and every property set before comes back.
class RunnerForms : public ::testing::Test {
protected:
    std::filesystem::path dir = std::filesystem::path(TESSIVRA_BINARY_DIR) / "tests" / "forms";
    void SetUp() override { std::filesystem::create_directories(dir); }
    std::string path(const char* name) const { return (dir / name).string(); }
};

TEST_F(RunnerForms, StoreThenLoadLosesNothing) {
    const std::string first = path("first.json"), second = path("second.json");
    auto stored = play("new m1 MailText\nlet m1 Text \"ana@example.org\"\n"
                       "font f \"DejaVu Sans\" 12 bold\nset m1 Font f\nlet m1 Locked True\n"
                       "new c1 Moeda\nlet c1 Text \"1234,5\"\nnew h1 HoraAtual\n"
                       "new u1 TextoEmMaiusculo\nlet u1 MaxLength 7\nsize u1 2400 400\n"
                       "store \"" +
                       first + "\"\n");
    ASSERT_TRUE(has(stored, "stored " + first + " 4 controls"));
    for (const auto& l : stored)
        EXPECT_FALSE(l.starts_with("error")) << l;
    auto loaded = play("load \"" + first +
                       "\"\nget m1 Text\nget m1 Locked\nget c1 Text\n"
                       "get u1 MaxLength\nstore \"" +
                       second + "\"\n");
    for (const auto& l : loaded)
        EXPECT_FALSE(l.starts_with("error")) << l;
    EXPECT_TRUE(has(loaded, "m1.Text = \"ana@example.org\""));
    EXPECT_TRUE(has(loaded, "m1.Locked = True"));
    EXPECT_TRUE(has(loaded, "c1.Text = \"1234,5\""));
    EXPECT_TRUE(has(loaded, "u1.MaxLength = 7"));
    auto a = readTextFile(first), b = readTextFile(second);
    ASSERT_FALSE(a.isError() || b.isError());
    EXPECT_EQ(a.value(), b.value());
    auto form = FormFile::fromJson(a.value());
    ASSERT_FALSE(form.isError());
    ASSERT_EQ(form.value().controls.size(), 4u);
    EXPECT_EQ(form.value().controls[0].classId, "Tessivra.MailText");
    EXPECT_EQ(form.value().controls[3].width, 2400.0f);
    // Each control stands below the one before it.
    EXPECT_LT(form.value().controls[0].top, form.value().controls[1].top);
}

// A form that cannot be loaded whole changes nothing on the form.
TEST_F(RunnerForms, ARefusedFormLeavesTheFormAsItWas) {
    FormFile f = sampleForm();
    f.controls[1].classId = "Tessivra.NoSuchThing";
    ASSERT_FALSE(writeTextFile(path("unknown.json"), f.toJson()).isError());
    auto lines = play("load \"" + path("unknown.json") + "\"\nget txtMail Text\n");
    EXPECT_TRUE(has(lines, "error load: 429 no class Tessivra.NoSuchThing in the library"));
    EXPECT_TRUE(has(lines, "error get: 5 no control named txtMail"));

    ASSERT_FALSE(writeTextFile(path("taken.json"), sampleForm().toJson()).isError());
    lines = play("new lblHora HoraAtual\nload \"" + path("taken.json") + "\"\nget txtMail Text\n");
    EXPECT_TRUE(has(lines, "error load: 5 the name lblHora is taken"));
    EXPECT_TRUE(has(lines, "error get: 5 no control named txtMail"));

    ASSERT_FALSE(writeTextFile(path("bad.json"), "{\"format\": \"tessivra-form\"}").isError());
    lines = play("load \"" + path("bad.json") + "\"\n");
    EXPECT_TRUE(has(lines, "error load: 380 Bad form file: version: 1 is expected"));
    lines = play("load \"" + path("absent.json") + "\"\nstore\n");
    EXPECT_TRUE(lines.size() == 2 && lines[0].starts_with("error load: ")) << lines.size();
    EXPECT_TRUE(has(lines, "error store: 5 usage: store FORM"));
}

} // namespace
} // namespace tessivra::headless
