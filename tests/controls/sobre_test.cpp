#include "controls/display/Sobre/Sobre.h"
#include "controls/display/credits.h"
#include "controls/display/frmAbout/frmAbout.h"

#include "tests/driver/host_driver.h"

namespace tessivra::testing {
namespace {

constexpr int Move = 1;

class SobreTest : public HostTest {
protected:
    void SetUp() override {
        auto c = form.add<Sobre>(u"s1");
        ASSERT_FALSE(c.isError());
        panel = c.value();
        ASSERT_OK(form.place(u"s1"));
        form.setHandler(u"s1", &sink);
        link = label(u"Label1");
        ASSERT_NE(link, nullptr);
        form.clearLines();
    }
    Part label(std::u16string_view name) const { return Part(&form, u"s1", std::u16string(name)); }
    ErrorOr<void> moveOver(std::u16string_view part) {
        return form.mouse(u"s1", part, Move, 0, 0, 100, 100);
    }

    std::unique_ptr<HostDriver> host_ =
        makeHost(HostOptions{.appPath = u"C:\\Programas\\Tessivra"});
    HostDriver& form = *host_;
    Sobre* panel = nullptr;
    Part link;
    HandlerSink sink;
};

TEST_P(SobreTest, AskingForAnySizeGivesTheFixedSize) {
    EXPECT_EQ(form.width(u"s1"), 3735);
    EXPECT_EQ(form.height(u"s1"), 3600);
    for (auto [w, h] : {std::pair<Twips, Twips>{100, 100}, {5000, 200}, {3735, 9000}, {0, 0}}) {
        ASSERT_OK(form.resize(u"s1", w, h));
        EXPECT_EQ(form.width(u"s1"), 3735) << w << "x" << h;
        EXPECT_EQ(form.height(u"s1"), 3600) << w << "x" << h;
    }
    // The height goes first: when it fails, the width stays as it was asked.
    FAIL_NEXT_OR_SKIP(form, "s1.UserControl.Height=");
    EXPECT_TRUE(form.resize(u"s1", 1000, 1000).isError());
    EXPECT_EQ(form.width(u"s1"), 1000);
}

TEST_P(SobreTest, ThePanelHoldsTheCreditsOverItsShadow) {
    auto picture1 = label(u"Picture1");
    auto picture2 = label(u"Picture2");
    ASSERT_NE(picture1, nullptr);
    ASSERT_NE(picture2, nullptr);
    EXPECT_EQ(picture1->bounds().left, 120);
    EXPECT_EQ(picture1->bounds().width, 3495);
    EXPECT_EQ(picture1->backColor(), syscolour::WindowBackground);
    EXPECT_EQ(picture2->bounds().left, 240);
    EXPECT_EQ(picture2->bounds().height, 3375);
    EXPECT_EQ(picture2->backColor(), 0x808080u);

    EXPECT_EQ(label(u"Label2")->caption(), credits::RightsLine);
    EXPECT_EQ(label(u"Label2")->alignment(), 0);
    EXPECT_EQ(label(u"Label2")->backStyle(), 1);
    EXPECT_EQ(label(u"Label3")->caption(), credits::Author);
    EXPECT_EQ(label(u"Label3")->font()->name, u"MS Sans Serif");
    EXPECT_TRUE(label(u"Label3")->bold());
    EXPECT_EQ(label(u"Label3")->bounds().top, 480);
    EXPECT_EQ(label(u"Label5")->caption(), credits::MailLine);
    EXPECT_EQ(label(u"Label4")->caption(), credits::Notice);
    EXPECT_EQ(label(u"Label4")->bounds().width, 3255); // not sized to its caption

    auto logo = label(u"Image1")->picture();
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(logo->widthPixels, 200);
    EXPECT_EQ(logo->heightPixels, 60);
    EXPECT_EQ(label(u"Image1")->bounds().top, 1920);

    EXPECT_EQ(link->caption(), u"http://Tessivra.example/");
    EXPECT_EQ(link->bounds().left, 825);
    EXPECT_EQ(link->bounds().top, 3000);
    EXPECT_EQ(link->foreColor(), 0x000000u);
    EXPECT_FALSE(link->bold());
    EXPECT_EQ(link->font()->name, u"Arial");
    EXPECT_EQ(link->font()->size, 9.75f);
    EXPECT_EQ(form.label(u"s1", u"Label1")->MousePointer().value(), 99);
    auto hand = form.label(u"s1", u"Label1")->MouseIcon().value();
    ASSERT_NE(hand, nullptr);
    EXPECT_EQ(hand->widthPixels, 32);
    EXPECT_EQ(hand->heightPixels, 32);
}

TEST_P(SobreTest, TheLinkLightsUpOverItselfAndGoesOutOnlyOverTheBarePanel) {
    Twips normalWidth = link->bounds().width;
    ASSERT_OK(moveOver(u"Label1"));
    EXPECT_EQ(link->foreColor(), 0xFF0000u);
    EXPECT_TRUE(link->bold());
    EXPECT_GT(link->bounds().width, normalWidth); // bold is wider, and the label follows
    ASSERT_OK(moveOver(u"Picture1"));
    EXPECT_EQ(link->foreColor(), 0x000000u);
    EXPECT_FALSE(link->bold());
    EXPECT_EQ(link->bounds().width, normalWidth);
    ASSERT_OK(moveOver(u"Label1"));
    ASSERT_OK(moveOver(u"Image1"));
    ASSERT_OK(moveOver(u"Picture2"));
    ASSERT_OK(moveOver(u"Label3"));
    EXPECT_EQ(link->foreColor(), 0xFF0000u);
    EXPECT_TRUE(link->bold());
    // A click does not change the look either way.
    ASSERT_OK(form.click(u"s1", u"Label1"));
    EXPECT_TRUE(link->bold());
    // The panel raises nothing to the form.
    for (const auto& l : form.lines())
        EXPECT_FALSE(l.starts_with("event ")) << l;
}

// The link sizes itself to its caption from its fixed left edge; plain or lit up, it must end
// inside the panel (and so inside the about window, which the panel fills).
TEST_P(SobreTest, TheLinkEndsInsideThePanelPlainAndHighlighted) {
    auto rightEdge = [&] { return link->bounds().left + link->bounds().width; };
    EXPECT_LE(rightEdge(), credits::PanelWidth);
    ASSERT_OK(moveOver(u"Label1"));
    ASSERT_TRUE(link->bold());
    EXPECT_LE(rightEdge(), credits::PanelWidth);
    EXPECT_GT(rightEdge(), 825 + 1800 / 2); // sized to a real caption, not collapsed
}

TEST_P(SobreTest, AMoveStopsAtAFailingColourAssignmentBeforeTheBoldFlag) {
    FAIL_NEXT_OR_SKIP(form, "Label1.ForeColor=");
    EXPECT_TRUE(moveOver(u"Label1").isError());
    EXPECT_FALSE(link->bold());
    EXPECT_EQ(link->foreColor(), 0x000000u);
}

TEST_P(SobreTest, AClickOpensTheAddressInLowerCaseFromTheLibrarysFolder) {
    ASSERT_OK(form.click(u"s1", u"Label1"));
    const auto& requests = form.shellRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].hwnd, form.windowHandle(u"s1"));
    EXPECT_EQ(requests[0].operation, "Open");
    EXPECT_EQ(requests[0].file, "http://tessivra.example/");
    EXPECT_EQ(requests[0].parameters, "");
    EXPECT_EQ(requests[0].directory, "C:\\Programas\\Tessivra");
    EXPECT_EQ(requests[0].showCommand, 1);
    // The caption itself keeps its capitals.
    EXPECT_EQ(link->caption(), u"http://Tessivra.example/");
}

TEST_P(SobreTest, TheAddressReachesTheShellInTheSystemsCodePage) {
    ASSERT_OK(form.label(u"s1", u"Label1")->setCaption(u"http://www.CAFÉ.Example/Ação"));
    ASSERT_OK(form.click(u"s1", u"Label1"));
    ASSERT_EQ(form.shellRequests().size(), 1u);
    // windows-1252: é E9, ç E7, ã E3.
    EXPECT_EQ(form.shellRequests()[0].file, "http://www.caf\xe9.example/a\xe7\xe3o");
}

TEST_P(SobreTest, AShellThatCannotOpenTheAddressShowsNothingAndChangesNothing) {
    form.setShellResult(2); // the file was not found
    ASSERT_OK(moveOver(u"Label1"));
    form.clearLines();
    ASSERT_OK(form.click(u"s1", u"Label1"));
    EXPECT_EQ(form.shellRequests().size(), 1u);
    EXPECT_TRUE(form.messageBoxes().empty());
    EXPECT_EQ(link->foreColor(), 0xFF0000u);
    EXPECT_EQ(link->caption(), credits::WebAddress);
    for (const auto& l : form.lines())
        EXPECT_TRUE(l.starts_with("shell ")) << l;
}

TEST_P(SobreTest, AFailingHostCallBeforeTheShellStopsTheClickThere) {
    for (const char* call : {"s1.UserControl.hWnd", "Label1.Caption", "Runtime.LCase",
                             "Runtime.AppPath", "Runtime.StrConv"}) {
        FAIL_NEXT_OR_SKIP(form, call);
        auto r = form.click(u"s1", u"Label1");
        ASSERT_TRUE(r.isError()) << call;
        EXPECT_EQ(r.error().code, form.injectedFailureCode()) << call;
        EXPECT_TRUE(form.shellRequests().empty()) << call;
    }
    // A failure of the call itself, unlike the shell's answer, travels back.
    FAIL_NEXT_OR_SKIP(form, "Shell.ShellExecuteA");
    EXPECT_TRUE(form.click(u"s1", u"Label1").isError());
}

TEST_P(SobreTest, ThePanelHasNoMembersNoEventsAndSavesNothing) {
    EXPECT_EQ(Sobre::Class.name, u"Sobre");
    EXPECT_TRUE(Sobre::Class.members.empty());
    EXPECT_TRUE(Sobre::Class.events.empty());
    EXPECT_TRUE(Sobre::Class.persisted.empty());
    EXPECT_EQ(Sobre::Class.designWidth, 3735);
    EXPECT_EQ(Sobre::Class.designHeight, 3600);
    auto bag = form.newBag();
    ASSERT_OK(form.save(u"s1", *bag));
    EXPECT_TRUE(bag->keys().empty());
    bag->put(u"BackColor", Value(std::int32_t{0xFF}));
    ASSERT_OK(form.load(u"s1", *bag));
    EXPECT_TRUE(form.notices(u"s1").empty());
}

// ---- the about window -----------------------------------------------------------------------

class FrmAboutTest : public HostTest {
protected:
    void SetUp() override {
        auto w = form.openWindow(u"frmAbout");
        ASSERT_FALSE(w.isError());
        window = w.value();
        auto a = frmAbout::create(*window);
        ASSERT_FALSE(a.isError());
        about = a.releaseValue();
        form.clearLines();
    }
    Part label(std::u16string_view name) const {
        return Part(&form, u"frmAbout", std::u16string(name));
    }
    WindowState state() const { return form.window(u"frmAbout").value(); }

    std::unique_ptr<HostDriver> host_ = makeHost();
    HostDriver& form = *host_;
    Form* window = nullptr;
    std::unique_ptr<frmAbout> about;
};

TESSIVRA_HOST_SUITE(SobreTest);

TEST_P(FrmAboutTest, TheWindowShowsTheSameCreditsOnAPanelFillingIt) {
    EXPECT_EQ(state().caption, u"Sobre");
    ASSERT_NE(state().icon, nullptr);
    EXPECT_EQ(state().icon->widthPixels, 32);
    EXPECT_EQ(state().icon->heightPixels, 32);
    EXPECT_FALSE(state().visible); // loaded, for a host to show
    auto picture1 = label(u"Picture1");
    ASSERT_NE(picture1, nullptr);
    EXPECT_EQ(picture1->bounds().left, 0);
    EXPECT_EQ(picture1->bounds().top, 0);
    EXPECT_EQ(picture1->bounds().width, frmAbout::ClientWidth);
    EXPECT_EQ(picture1->bounds().height, frmAbout::ClientHeight);
    EXPECT_EQ(label(u"Picture2"), nullptr); // no shadow

    // The lines are the panel's, at the panel's places.
    auto other = makeHost();
    ASSERT_TRUE(other->add<Sobre>(u"s"));
    for (auto name : {u"Label2", u"Label3", u"Label4", u"Label5"}) {
        auto theirs = Part(other.get(), u"s", name);
        EXPECT_EQ(label(name)->caption(), theirs->caption());
        EXPECT_EQ(label(name)->bounds().top, theirs->bounds().top);
        EXPECT_EQ(label(name)->bounds().width, theirs->bounds().width);
    }
    EXPECT_EQ(label(u"Image1")->bounds().top, 1560);
    EXPECT_EQ(label(u"Label1")->bounds().top, 2640);
    EXPECT_EQ(label(u"Label1")->caption(), credits::WebAddress);
    EXPECT_EQ(form.label(u"frmAbout", u"Label1")->MousePointer().value(), 99);
    EXPECT_EQ(label(u"Label6")->caption(), u"Fechar");
    EXPECT_EQ(label(u"Label6")->backStyle(), 0);
}

TEST_P(FrmAboutTest, FecharHidesTheWindowWhichStaysLoaded) {
    ASSERT_OK(window->Show());
    ASSERT_OK(form.click(u"frmAbout", u"Label6"));
    EXPECT_FALSE(state().visible);
    EXPECT_EQ(form.lines().back(), "window frmAbout hidden");
    ASSERT_NE(label(u"Label6"), nullptr);
    ASSERT_OK(window->Show());
    EXPECT_TRUE(state().visible);
    FAIL_NEXT_OR_SKIP(form, "Form.Hide");
    EXPECT_TRUE(form.click(u"frmAbout", u"Label6").isError());
    EXPECT_TRUE(state().visible);
}

TEST_P(FrmAboutTest, TheWebAddressIsOnlyALookAlikeOfTheLink) {
    auto address = label(u"Label1");
    ASSERT_OK(form.mouse(u"frmAbout", u"Label1", Move, 0, 0, 10, 10));
    ASSERT_OK(form.click(u"frmAbout", u"Label1"));
    EXPECT_EQ(address->foreColor(), 0x000000u);
    EXPECT_FALSE(address->bold());
    EXPECT_TRUE(form.shellRequests().empty());
    EXPECT_TRUE(form.lines().empty());
}

TEST_P(FrmAboutTest, TheWebAddressFitsTheWindowPlainAndBold) {
    auto address = label(u"Label1");
    EXPECT_LE(address->bounds().left + address->bounds().width, frmAbout::ClientWidth);
    // The window's label never lights up itself; measure it as the panel's link would be.
    ASSERT_OK(form.label(u"frmAbout", u"Label1")->setFontBold(VTrue));
    ASSERT_TRUE(address->bold());
    EXPECT_LE(address->bounds().left + address->bounds().width, frmAbout::ClientWidth);
}

TEST_P(FrmAboutTest, AWindowThatCannotBeDressedIsNotMade) {
    auto other = makeHost();
    auto w = other->openWindow(u"frmAbout");
    ASSERT_FALSE(w.isError());
    FAIL_NEXT_OR_SKIP(*other, "Form.Icon=");
    auto r = frmAbout::create(*w.value());
    ASSERT_TRUE(r.isError());
    EXPECT_EQ(other->window(u"frmAbout")->caption, u"Sobre");
    for (auto name : {u"Picture1", u"Label1", u"Label6", u"Image1"})
        EXPECT_EQ(Part(other.get(), u"frmAbout", name), nullptr);
}

TESSIVRA_HOST_SUITE(FrmAboutTest);

} // namespace
} // namespace tessivra::testing
