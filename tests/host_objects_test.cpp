// The host's picture and font service: what the headless host makes and refuses, and that the
// controls take every picture and font they show from it, stopping where it fails.

#include "controls/display/HoraAtual/HoraAtual.h"
#include "controls/display/Sobre/Sobre.h"
#include "controls/display/frmAbout/frmAbout.h"
#include "controls/text/UrlText/UrlText.h"
#include "framework/registry/resources.h"

#include "tests/support.h"

#include <cmath>
#include <limits>
#include <sstream>

namespace tessivra::testing {
namespace {

using headless::HeadlessCommandButton;
using headless::HeadlessContainer;
using headless::HeadlessImage;
using headless::HeadlessLabel;
using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(std::span<const std::uint8_t> s) {
    return {s.begin(), s.end()};
}

void putLe32(Bytes& b, std::size_t at, std::int32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i));
}

// A bitmap file of a bitmap resource: "BM" and the rest of the 14-byte file header first.
Bytes bitmapFile(std::span<const std::uint8_t> dib) {
    Bytes file(14 + dib.size(), 0);
    file[0] = 'B';
    file[1] = 'M';
    putLe32(file, 2, static_cast<std::int32_t>(file.size()));
    for (std::size_t i = 0; i < dib.size(); ++i)
        file[14 + i] = dib[i];
    return file;
}

std::int32_t codeOf(const auto& result) {
    return result.isError() ? result.error().code : 0;
}

// ---- the headless host's service ------------------------------------------------------------

class HeadlessObjectsTest : public ::testing::Test {
protected:
    HeadlessForm form;
    HostObjects& objects = form.objects();
};

TEST_F(HeadlessObjectsTest, TheLibrarysPicturesLoadByNumberAndKindWithTheirSizes) {
    struct Row {
        std::int32_t id;
        ResourceKind kind;
        std::u16string name;
        std::int16_t type;
        std::int32_t width, height;
    };
    const Row rows[] = {
        {resid::LaunchButton, ResourceKind::Icon, u"launch-button", picturetype::Icon, 32, 32},
        {resid::AboutIcon, ResourceKind::Icon, u"about_icon", picturetype::Icon, 32, 32},
        {resid::LinkCursor, ResourceKind::Cursor, u"link_cursor", picturetype::Icon, 32, 32},
        {resid::CreditsLogo, ResourceKind::Bitmap, u"credits_logo", picturetype::Bitmap, 200, 60},
        {FirstToolboxBitmap, ResourceKind::Bitmap, u"toolbox_30000", picturetype::Bitmap, 16, 15},
        {LastToolboxBitmap, ResourceKind::Bitmap, u"toolbox_30007", picturetype::Bitmap, 16, 15},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.id);
        auto picture = objects.LoadResPicture(row.id, row.kind);
        ASSERT_OK(picture);
        EXPECT_EQ(picture.value()->name, row.name);
        EXPECT_EQ(picture.value()->type, row.type);
        EXPECT_EQ(picture.value()->widthPixels, row.width);
        EXPECT_EQ(picture.value()->heightPixels, row.height);
        // Every request is a new object.
        EXPECT_NE(objects.LoadResPicture(row.id, row.kind).value(), picture.value());
    }
}

TEST_F(HeadlessObjectsTest, ANumberOrKindTheLibraryDoesNotHoldIsResourceNotFound) {
    const std::pair<std::int32_t, ResourceKind> missing[] = {
        {resid::LaunchButton, ResourceKind::Bitmap}, // there, but stored as an icon
        {resid::LinkCursor, ResourceKind::Icon},     // a cursor is asked for as a cursor
        {resid::CreditsLogo, ResourceKind::Icon},
        {FirstToolboxBitmap - 1, ResourceKind::Bitmap},
        {LastToolboxBitmap + 1, ResourceKind::Bitmap},
        {0, ResourceKind::Icon},
        {-1, ResourceKind::Bitmap},
        {std::numeric_limits<std::int32_t>::max(), ResourceKind::Cursor},
        {resid::AboutIcon, static_cast<ResourceKind>(7)},
    };
    for (auto [id, kind] : missing) {
        auto r = objects.LoadResPicture(id, kind);
        ASSERT_TRUE(r.isError()) << id;
        EXPECT_EQ(r.error().code, errc::ResourceNotFound) << id;
        EXPECT_NE(toUtf8(r.error().description).find(std::to_string(id)), std::string::npos);
    }
}

TEST_F(HeadlessObjectsTest, BitmapIconAndCursorFilesLoadFromTheirBytes) {
    auto icon = objects.LoadPicture(launchButtonIcon());
    ASSERT_OK(icon);
    EXPECT_EQ(icon.value()->type, picturetype::Icon);
    EXPECT_EQ(icon.value()->widthPixels, 32);
    EXPECT_EQ(icon.value()->name, u""); // bytes do not say where they came from

    auto cursor = objects.LoadPicture(linkCursor());
    ASSERT_OK(cursor);
    EXPECT_EQ(cursor.value()->type, picturetype::Icon);
    EXPECT_EQ(cursor.value()->heightPixels, 32);

    Bytes logo = bitmapFile(creditsLogo());
    auto bitmap = objects.LoadPicture(logo);
    ASSERT_OK(bitmap);
    EXPECT_EQ(bitmap.value()->type, picturetype::Bitmap);
    EXPECT_EQ(bitmap.value()->widthPixels, 200);
    EXPECT_EQ(bitmap.value()->heightPixels, 60);

    // Rows that run top-down give a negative height; the picture is as tall.
    putLe32(logo, 14 + 8, -60);
    EXPECT_EQ(objects.LoadPicture(logo).value()->heightPixels, 60);

    // The old 12-byte core header holds 16-bit sizes.
    Bytes core(14, 0);
    core[0] = 'B';
    core[1] = 'M';
    for (int b : {12, 0, 0, 0, 0x2C, 0x01, 7, 0, 1, 0, 24, 0}) // 300 by 7 pixels
        core.push_back(static_cast<std::uint8_t>(b));
    auto old = objects.LoadPicture(core);
    ASSERT_OK(old);
    EXPECT_EQ(old.value()->widthPixels, 300);
    EXPECT_EQ(old.value()->heightPixels, 7);
}

TEST_F(HeadlessObjectsTest, BytesThatAreNoPictureAreRefusedAsInvalid) {
    const Bytes good = bytesOf(launchButtonIcon());
    const Bytes logo = bitmapFile(creditsLogo());
    auto changed = [](Bytes b, std::size_t at, std::uint8_t v) {
        b[at] = v;
        return b;
    };
    auto withLe32 = [](Bytes b, std::size_t at, std::int32_t v) {
        putLe32(b, at, v);
        return b;
    };
    const std::pair<const char*, Bytes> bad[] = {
        {"nothing", {}},
        {"one byte", {'B'}},
        {"a bitmap file header alone", Bytes(logo.begin(), logo.begin() + 14)},
        {"a bitmap header cut short", Bytes(logo.begin(), logo.begin() + 30)},
        {"a bitmap header of no known size", withLe32(logo, 14, 20)},
        {"a bitmap of width 0", withLe32(logo, 18, 0)},
        {"a bitmap of negative width", withLe32(logo, 18, -200)},
        {"a bitmap of height 0", withLe32(logo, 22, 0)},
        {"a bitmap of the most negative height",
         withLe32(logo, 22, std::numeric_limits<std::int32_t>::min())},
        {"an icon directory cut short", Bytes(good.begin(), good.begin() + 5)},
        {"an icon of no image", changed(good, 4, 0)},
        {"an icon entry cut short", Bytes(good.begin(), good.begin() + 21)},
        {"an icon image past the end", Bytes(good.begin(), good.end() - 1)},
        {"an icon image inside the directory", withLe32(good, 6 + 12, 6)},
        {"an icon image of no bytes", withLe32(good, 6 + 8, 0)},
        {"an icon of a third kind", changed(good, 2, 3)},
        {"a first reserved word that is not 0", changed(good, 0, 1)},
        {"text", {'G', 'I', 'F', '8', '9', 'a'}},
    };
    for (const auto& [what, bytes] : bad) {
        auto r = objects.LoadPicture(bytes);
        EXPECT_EQ(codeOf(r), errc::InvalidPicture) << what;
    }
}

TEST_F(HeadlessObjectsTest, AFontIsMadeAsDescribedAndEachRequestIsANewOne) {
    FontDescription d{.name = u"Courier New",
                      .size = 12.5f,
                      .weight = fontweight::Bold,
                      .charset = 2,
                      .italic = true,
                      .underline = true,
                      .strikethrough = true};
    auto font = objects.NewFont(d);
    ASSERT_OK(font);
    const Font& f = *font.value();
    EXPECT_EQ(f.name, u"Courier New");
    EXPECT_EQ(f.size, 12.5f);
    EXPECT_EQ(f.weight, 700);
    EXPECT_TRUE(f.bold());
    EXPECT_EQ(f.charset, 2);
    EXPECT_TRUE(f.italic && f.underline && f.strikethrough);
    EXPECT_NE(objects.NewFont(d).value(), font.value());

    auto plain = objects.NewFont({.name = u"Arial", .size = 9.75f});
    ASSERT_OK(plain);
    EXPECT_FALSE(plain.value()->bold());
    EXPECT_FALSE(plain.value()->italic || plain.value()->underline);
    EXPECT_EQ(objects.NewFont({.name = u"Arial", .size = 1, .weight = 0}).value()->weight, 0);
}

TEST_F(HeadlessObjectsTest, AFontThatCannotBeDescribedIsAnInvalidPropertyValue) {
    const float kInf = std::numeric_limits<float>::infinity();
    const FontDescription bad[] = {
        {.name = u"", .size = 10},
        {.name = u"Arial", .size = 0},
        {.name = u"Arial", .size = -9.75f},
        {.name = u"Arial", .size = std::nanf("")},
        {.name = u"Arial", .size = kInf},
        {.name = u"Arial", .size = 10, .weight = -1},
        {.name = u"Arial", .size = 10, .weight = 1001},
    };
    for (const FontDescription& d : bad)
        EXPECT_EQ(codeOf(objects.NewFont(d)), errc::InvalidPropertyValue)
            << toUtf8(d.name) << " " << d.size << " " << d.weight;
}

TEST_F(HeadlessObjectsTest, EachCallCanBeMadeToFailOnce) {
    form.faults().failNext("Objects.LoadResPicture");
    EXPECT_EQ(codeOf(objects.LoadResPicture(resid::AboutIcon, ResourceKind::Icon)),
              headless::InjectedFailureCode);
    form.faults().failNext("Objects.LoadPicture");
    EXPECT_EQ(codeOf(objects.LoadPicture(aboutIcon())), headless::InjectedFailureCode);
    form.faults().failNext("Objects.NewFont");
    EXPECT_EQ(codeOf(objects.NewFont({.name = u"Arial", .size = 9})),
              headless::InjectedFailureCode);
    // Once each: the same calls then succeed.
    EXPECT_FALSE(form.faults().armed());
    ASSERT_OK(objects.LoadResPicture(resid::AboutIcon, ResourceKind::Icon));
    ASSERT_OK(objects.LoadPicture(aboutIcon()));
    ASSERT_OK(objects.NewFont({.name = u"Arial", .size = 9}));
}

// ---- the controls take their pictures and fonts from it --------------------------------------

// Passes each request on to the form's service and writes it down; the request numbered
// `failAt` fails instead, with an error of its own.
class RecordingObjects final : public HostObjects {
public:
    explicit RecordingObjects(HostObjects& host) : host_(host) {}
    ErrorOr<PictureRef> LoadResPicture(std::int32_t id, ResourceKind kind) override {
        TRY(request("LoadResPicture " + std::to_string(id) + " " +
                    std::to_string(static_cast<int>(kind))));
        return keep(TRY(host_.LoadResPicture(id, kind)));
    }
    ErrorOr<PictureRef> LoadPicture(std::span<const std::uint8_t> bytes) override {
        TRY(request("LoadPicture"));
        return keep(TRY(host_.LoadPicture(bytes)));
    }
    ErrorOr<FontRef> NewFont(const FontDescription& d) override {
        std::ostringstream line;
        line << "NewFont " << toUtf8(d.name) << " " << d.size << " " << d.weight
             << (d.italic ? " italic" : "");
        TRY(request(line.str()));
        return keep(TRY(host_.NewFont(d)));
    }

    static inline const Error kRefused{4242, u"refused by the test"};
    int failAt = -1;
    std::vector<std::string> requests;
    std::vector<ObjectRef> made;

private:
    ErrorOr<void> request(std::string line) {
        requests.push_back(std::move(line));
        if (static_cast<int>(requests.size()) - 1 == failAt) return kRefused;
        return {};
    }
    template <typename T> T keep(T object) {
        made.push_back(object);
        return object;
    }
    HostObjects& host_;
};

class ControlObjects : public ::testing::Test {
protected:
    Site site() { return Site{container, form.runtime(), form.shell(), recorder}; }
    template <typename T> T* part(std::u16string_view name) { return container.find<T>(name); }

    HeadlessForm form;
    HeadlessContainer container{form, u"c1"};
    RecordingObjects recorder{form.objects()};
};

TEST_F(ControlObjects, TheLaunchButtonShowsThePictureTheHostMade) {
    auto url = UrlText::create(site());
    ASSERT_OK(url);
    EXPECT_EQ(recorder.requests, std::vector<std::string>{"LoadResPicture 101 1"});
    ASSERT_EQ(recorder.made.size(), 1u);
    EXPECT_EQ(part<HeadlessCommandButton>(u"Command1")->picture(), recorder.made[0]);
}

TEST_F(ControlObjects, ALaunchButtonWhosePictureFailsIsNotMade) {
    recorder.failAt = 0;
    auto url = UrlText::create(site());
    ASSERT_TRUE(url.isError());
    EXPECT_EQ(url.error(), RecordingObjects::kRefused);
    EXPECT_NE(container.find(u"Text1"), nullptr);
    EXPECT_EQ(container.find(u"Command1"), nullptr);
}

TEST_F(ControlObjects, EachClockShowsAFontOfItsOwnFromTheHost) {
    auto clock = HoraAtual::create(site());
    ASSERT_OK(clock);
    EXPECT_EQ(recorder.requests, std::vector<std::string>{"NewFont Arial 9.75 400"});
    ASSERT_EQ(recorder.made.size(), 1u);
    EXPECT_EQ(part<HeadlessLabel>(u"Label1")->font(), recorder.made[0]);

    HeadlessContainer second{form, u"c2"};
    auto other = HoraAtual::create(Site{second, form.runtime(), form.shell(), recorder});
    ASSERT_OK(other);
    ASSERT_EQ(recorder.made.size(), 2u);
    EXPECT_EQ(second.find<HeadlessLabel>(u"Label1")->font(), recorder.made[1]);
    EXPECT_NE(recorder.made[0], recorder.made[1]);
}

TEST_F(ControlObjects, AClockWhoseFontFailsHasNeitherLabelNorTimer) {
    recorder.failAt = 0;
    auto clock = HoraAtual::create(site());
    ASSERT_TRUE(clock.isError());
    EXPECT_EQ(clock.error(), RecordingObjects::kRefused);
    EXPECT_TRUE(container.constituents().empty());
}

TEST_F(ControlObjects, TheCreditsPanelShowsTheHostsFontsAndPicturesInItsOrder) {
    auto panel = Sobre::create(site());
    ASSERT_OK(panel);
    const std::vector<std::string> expected = {"NewFont MS Sans Serif 8.25 700",
                                               "LoadResPicture 104 0", "NewFont Arial 9.75 400",
                                               "LoadResPicture 103 2"};
    EXPECT_EQ(recorder.requests, expected);
    ASSERT_EQ(recorder.made.size(), 4u);
    EXPECT_EQ(part<HeadlessLabel>(u"Label3")->font(), recorder.made[0]);
    EXPECT_EQ(part<HeadlessImage>(u"Image1")->Picture().value(), recorder.made[1]);
    EXPECT_EQ(part<HeadlessLabel>(u"Label1")->font(), recorder.made[2]);
    EXPECT_EQ(part<HeadlessLabel>(u"Label1")->MouseIcon().value(), recorder.made[3]);
}

TEST_F(ControlObjects, TheCreditsPanelStopsAtTheRequestThatFails) {
    // For each request that fails: the last constituent made, and the first one not made.
    const std::pair<std::u16string_view, std::u16string_view> rows[] = {
        {u"Label2", u"Label3"},
        {u"Label4", u"Image1"},
        {u"Image1", u"Label1"},
        {u"Image1", u"Label1"},
    };
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        HeadlessContainer surface{form, u"s" + fromUtf8(std::to_string(i))};
        recorder.failAt = i;
        recorder.requests.clear();
        auto panel = Sobre::create(Site{surface, form.runtime(), form.shell(), recorder});
        ASSERT_TRUE(panel.isError());
        EXPECT_EQ(panel.error(), RecordingObjects::kRefused);
        EXPECT_EQ(recorder.requests.size(), static_cast<std::size_t>(i + 1));
        EXPECT_NE(surface.find(rows[i].first), nullptr);
        EXPECT_EQ(surface.find(rows[i].second), nullptr);
    }
}

TEST_F(ControlObjects, TheAboutWindowTakesItsIconAndFontsFromTheHostAndStopsWhereItFails) {
    auto& window = form.openWindow(u"frmAbout");
    form.faults().failNext("Objects.LoadResPicture");
    auto noIcon = frmAbout::create(window);
    ASSERT_TRUE(noIcon.isError());
    EXPECT_EQ(noIcon.error().code, headless::InjectedFailureCode);
    EXPECT_EQ(window.icon, nullptr);
    EXPECT_TRUE(window.constituents().empty());

    auto& second = form.openWindow(u"frmAbout2");
    form.faults().failNext("Objects.NewFont");
    auto noFont = frmAbout::create(second);
    ASSERT_TRUE(noFont.isError());
    EXPECT_EQ(noFont.error().code, headless::InjectedFailureCode);
    ASSERT_NE(second.icon, nullptr);
    EXPECT_EQ(second.icon->name, u"about_icon");
    EXPECT_NE(second.find(u"Label2"), nullptr);
    EXPECT_EQ(second.find(u"Label3"), nullptr);
}

} // namespace
} // namespace tessivra::testing
