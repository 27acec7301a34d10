// Each control drawn by the Qt host offscreen (QWidget::grab) and looked at in known places:
// the background and text colours the control was given, the launch button's picture, the
// scroll bar's arrows, the credits' logo. The fonts come from fonts-dejavu-core.

#include "hosts/qt/qt_parts.h"
#include "tests/driver/qt_driver.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <map>

namespace tessivra::testing {
namespace {

using namespace tessivra::qt;

class ScreenshotTest : public ::testing::Test {
protected:
    ScreenshotTest() {
        qtApplication();
        host = std::make_unique<QtHost>(
            HostSettings{.locale = "en-US", .codePage = "windows-1252", .manualTime = true});
        window = std::make_unique<QWidget>();
        window->resize(500, 300);
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    ~ScreenshotTest() override {
        site.reset();
        host.reset();
        window.reset();
    }
    QtContainer& add(std::string_view cls) {
        site = host->create(cls, u"c1", window.get()).value();
        processQtEvents();
        return *site;
    }
    // The part's own picture, as the screen shows it.
    QImage shot(std::u16string_view part) const {
        QWidget* w = site->find(part)->widget();
        return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    static int count(const QImage& img, const std::function<bool(QColor)>& is,
                     QRect area = QRect()) {
        if (area.isNull()) area = img.rect();
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (is(img.pixelColor(x, y))) ++n;
        return n;
    }
    // The colour most of the area shows.
    static QColor mostCommon(const QImage& img, QRect area) {
        std::map<QRgb, int> seen;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                ++seen[img.pixel(x, y)];
        auto best = std::max_element(seen.begin(), seen.end(),
                                     [](auto& a, auto& b) { return a.second < b.second; });
        return QColor::fromRgb(best->first);
    }
    static void typeInto(QWidget* w, const QString& text) {
        w->setFocus(Qt::MouseFocusReason);
        processQtEvents();
        for (QChar c : text) {
            const int key = c.isLetter() ? c.toUpper().unicode() : c.unicode();
            QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
            QApplication::sendEvent(QApplication::focusWidget(), &down);
            QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
            QApplication::sendEvent(QApplication::focusWidget(), &up);
            processQtEvents();
        }
    }

    std::unique_ptr<QtHost> host;
    std::unique_ptr<QWidget> window;
    std::unique_ptr<QtContainer> site;
};

bool isRed(QColor c) {
    return c.red() > 150 && c.green() < 90 && c.blue() < 90;
}

class TextBoxScreenshot : public ScreenshotTest,
                          public ::testing::WithParamInterface<const char*> {};

// Yellow behind red text: the box fills with its BackColor and writes in its ForeColor.
TEST_P(TextBoxScreenshot, TheBoxIsFilledWithItsBackColourAndWritesInItsForeColour) {
    auto& c = add(GetParam());
    auto* box = dynamic_cast<QtTextBox*>(c.find(u"Text1"));
    ASSERT_NE(box, nullptr);
    const QImage before = shot(u"Text1");
    EXPECT_EQ(count(before, isRed), 0);

    ASSERT_FALSE(box->setBackColor(0x00FFFF).isError()); // red and green bytes: yellow
    ASSERT_FALSE(box->setForeColor(0x0000FF).isError()); // the red byte alone
    ASSERT_FALSE(box->setText(u"88").isError());
    const QImage img = shot(u"Text1");
    const QRect inside = img.rect().adjusted(3, 3, -3, -3);
    EXPECT_EQ(mostCommon(img, inside), QColor(255, 255, 0));
    EXPECT_GT(count(img, isRed, inside), 10);
    // Without a border the yellow reaches the edge.
    ASSERT_FALSE(box->setBorderStyle(0).isError());
    EXPECT_EQ(shot(u"Text1").pixelColor(0, 0), QColor(255, 255, 0));
}

INSTANTIATE_TEST_SUITE_P(Qt, TextBoxScreenshot,
                         ::testing::Values("TextoEmMaiusculo", "TextoEmMinusculo", "MailText",
                                           "UrlText", "Moeda", "ScrollText"));

TEST_F(ScreenshotTest, TheLaunchButtonShowsItsCheckMarkGreyedUntilItIsEnabled) {
    auto& c = add("UrlText");
    auto isGreen = [](QColor x) { return x == QColor(0, 128, 0); };
    auto isMarked = [](QColor x) { return x.lightness() < 150; };
    const QImage disabled = shot(u"Command1");
    EXPECT_EQ(count(disabled, isGreen), 0);
    // The mark is there, drawn in the disabled look.
    EXPECT_GT(count(disabled, isMarked), 30);

    typeInto(c.find(u"Text1")->widget(), QStringLiteral("www.example.com"));
    auto* button = dynamic_cast<QtCommandButton*>(c.find(u"Command1"));
    ASSERT_TRUE(button->button()->isEnabled());
    const QImage enabled = shot(u"Command1");
    EXPECT_GT(count(enabled, isGreen), 100);
}

TEST_F(ScreenshotTest, TheScrollBarHasAnArrowAtEachEndPointingAway) {
    add("ScrollText");
    const QImage img = shot(u"VScroll1");
    const int w = img.width(), h = img.height();
    ASSERT_GT(h, 10);
    auto dark = [](QColor x) { return x.lightness() < 110; };
    // The width of the arrow's dark pixels on each row of one end's button (the bar is short:
    // each end's button takes half of it).
    auto widths = [&](int top, int bottom) {
        std::vector<int> out;
        for (int y = top; y < bottom; ++y) {
            int n = count(img, dark, QRect(2, y, w - 4, 1));
            if (n > 0) out.push_back(n);
        }
        return out;
    };
    const auto up = widths(1, h / 2);
    const auto down = widths(h / 2, h - 1);
    ASSERT_GE(up.size(), 2u);
    ASSERT_GE(down.size(), 2u);
    // Narrow at the tip: the top arrow points up, the bottom one down.
    EXPECT_LT(up.front(), up.back());
    EXPECT_GT(down.front(), down.back());
}

TEST_F(ScreenshotTest, TheClockShowsTheTimeOnTheButtonFace) {
    host->setClock((12 * 3600 + 34 * 60 + 56) * 1000);
    auto& c = add("HoraAtual");
    ASSERT_FALSE(host->advance(1000).isError());
    auto* label = dynamic_cast<QtLabel*>(c.find(u"Label1"));
    ASSERT_NE(label, nullptr);
    EXPECT_FALSE(label->caption().empty());
    const QImage img = shot(u"Label1");
    EXPECT_EQ(mostCommon(img, img.rect()), QApplication::palette().color(QPalette::Button));
    // The time in the button text's colour (dark), smoothed at its edges.
    EXPECT_GT(count(img, [](QColor x) { return x.lightness() < 100; }), 10);
}

TEST_F(ScreenshotTest, TheCreditsShowTheLogoAndTextOnTheWindowBackground) {
    add("Sobre");
    QWidget* surface = site->widget();
    const QImage img = surface->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QColor base = QApplication::palette().color(QPalette::Base);
    // The panel (its shadow is a picture box of its own, behind it).
    QtConstituent* panel = site->find(u"Picture1");
    ASSERT_NE(panel, nullptr);
    const QRect panelArea = panel->widget()->geometry();
    // The panel's own colour in its corner, away from the logo and the text lines.
    EXPECT_EQ(img.pixelColor(panelArea.right() - 2, panelArea.top() + 2), base);
    auto* logo = site->find(u"Image1");
    ASSERT_NE(logo, nullptr);
    const QRect logoArea =
        logo->widget()->geometry().translated(panelArea.topLeft()).intersected(img.rect());
    ASSERT_FALSE(logoArea.isEmpty());
    // The logo is a picture: many colours other than the panel's.
    EXPECT_GT(count(
                  img, [&](QColor x) { return x != base; }, logoArea),
              logoArea.width());
    // Text lines in dark letters.
    EXPECT_GT(count(
                  img, [](QColor x) { return x.lightness() < 100; }, panelArea),
              50);
}

} // namespace
} // namespace tessivra::testing
