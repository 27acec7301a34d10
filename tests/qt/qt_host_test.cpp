// What only the Qt host does: the locale's code page, characters outside it, the line edit's own
// limits worked around, real modal message boxes, focus traversal, pictures decoded for drawing,
// the desktop's opener, and the lifetime of widgets a parent deletes.

#include "controls/display/Sobre/Sobre.h"
#include "framework/dispatch.h"
#include "framework/registry/resources.h"
#include "hosts/qt/qt_parts.h"
#include "tests/driver/qt_driver.h"
#include "tests/qt/url_catcher.h"

#include <QApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

namespace tessivra::testing {
namespace {

using namespace tessivra::qt;

// A form's handler that writes down each event by name, with its first argument, and lets a
// test act inside it.
class NamedSink final : public EventSink {
public:
    QtContainer* site = nullptr;
    std::vector<std::string> heard;
    std::function<void(const std::string&, EventArgs)> onEvent;
    ErrorOr<void> Invoke(DispId id, EventArgs args) override {
        const EventInfo* info = eventById(site->control()->controlClass(), id);
        std::string name = info ? toUtf8(info->name) : std::to_string(id);
        heard.push_back(args.empty() ? name
                                     : name + " " + toUtf8(args[0].get().toString().value()));
        if (onEvent) onEvent(name, args);
        return {};
    }
};

// Answers every message box once it is up and modal, and counts them.
class BoxAnswerer final : public HostObserver {
public:
    std::vector<QString> texts;
    std::function<void()> whileShown;
    void messageBoxShown(QWidget& box, std::u16string_view, std::int32_t,
                         std::u16string_view) override {
        auto* mb = qobject_cast<QMessageBox*>(&box);
        ASSERT_NE(mb, nullptr);
        texts.push_back(mb->text());
        auto* closer = new QTimer(&box);
        QObject::connect(closer, &QTimer::timeout, closer, [this, closer, mb] {
            if (QApplication::activeModalWidget() != mb) return;
            closer->stop();
            if (whileShown) whileShown();
            mb->accept();
        });
        closer->start(5);
    }
};

// A control of one tall scroll bar whose Min is below its Max, counting the changes it hears.
class BarOnly final : public Control {
public:
    static const ControlClass Class;
    static ErrorOr<std::unique_ptr<BarOnly>> create(Site s) { return createControl<BarOnly>(s); }
    explicit BarOnly(Site s) : Control(s, Class) {}
    PartHandle<VScrollBar> bar;
    int changes = 0;

protected:
    ErrorOr<void> createConstituents() override {
        bar = TRY(container().addVScrollBar(
            {.name = u"VScroll1", .bounds = {0, 0, 255, 1500}, .min = 10, .max = -10, .value = 0},
            &events_));
        return {};
    }

private:
    struct Events final : VScrollBarEvents {
        BarOnly& b;
        explicit Events(BarOnly& x) : b(x) {}
        ErrorOr<void> Change() override {
            ++b.changes;
            return {};
        }
    } events_{*this};
};
const ControlClass BarOnly::Class{u"BarOnly", {}, {}, {}, 255, 1500};

class QtHostTest : public ::testing::Test {
protected:
    explicit QtHostTest(HostSettings s = {.locale = "en-US", .codePage = "windows-1252"}) {
        qtApplication();
        s.manualTime = true;
        host = std::make_unique<QtHost>(s);
        host->setObserver(&answerer);
        window = std::make_unique<QWidget>();
        window->resize(600, 400);
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    ~QtHostTest() override {
        sites.clear();
        host.reset();
        window.reset();
    }
    QtContainer& add(std::string_view cls, std::u16string_view name) {
        auto made = host->create(cls, name, window.get());
        EXPECT_FALSE(made.isError()) << (made.isError() ? toUtf8(made.error().description) : "");
        auto& site = *sites.emplace_back(made.releaseValue());
        site.widget()->move(0, static_cast<int>(sites.size() - 1) * 40);
        return site;
    }
    static QtTextBox& box(QtContainer& site, std::u16string_view part = u"Text1") {
        return *dynamic_cast<QtTextBox*>(site.find(part));
    }
    // A key as the keyboard sends it, to whatever has the focus.
    static void press(int key, const QString& text, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QWidget* to = QApplication::focusWidget();
        ASSERT_NE(to, nullptr);
        QKeyEvent down(QEvent::KeyPress, key, m, text);
        QApplication::sendEvent(to, &down);
        processQtEvents();
        QKeyEvent up(QEvent::KeyRelease, key, m, text);
        if (QWidget* now = QApplication::focusWidget()) QApplication::sendEvent(now, &up);
        processQtEvents();
    }
    static void typeText(const QString& text) {
        for (QChar c : text)
            press(c.isLetter() && c.unicode() < 128 ? static_cast<int>(c.toUpper().unicode())
                                                    : static_cast<int>(Qt::Key_unknown),
                  QString(c));
    }
    static void focusOn(QWidget* w) {
        w->setFocus(Qt::MouseFocusReason);
        processQtEvents();
    }

    BoxAnswerer answerer;
    std::unique_ptr<QtHost> host;
    std::unique_ptr<QWidget> window;
    std::vector<std::unique_ptr<QtContainer>> sites;
};

TEST(QtCodePage, EachLocaleTypesInTheAnsiCodePageWindowsGivesIt) {
    const std::pair<const char*, const char*> rows[] = {
        {"pl-PL", "windows-1250"},      {"cs_CZ", "windows-1250"}, {"hu-HU", "windows-1250"},
        {"ru-RU", "windows-1251"},      {"uk-UA", "windows-1251"}, {"sr-Cyrl-RS", "windows-1251"},
        {"sr-Latn-RS", "windows-1250"}, {"el-GR", "windows-1253"}, {"tr-TR", "windows-1254"},
        {"az-Cyrl-AZ", "windows-1251"}, {"he-IL", "windows-1255"}, {"ar-EG", "windows-1256"},
        {"lt-LT", "windows-1257"},      {"vi-VN", "windows-1258"}, {"th-TH", "windows-874"},
        {"en-US", "windows-1252"},      {"pt-BR", "windows-1252"}, {"ja-JP", "windows-1252"},
        {"", "windows-1252"},
    };
    for (const auto& [locale, codePage] : rows)
        EXPECT_EQ(ansiCodePageFor(locale), codePage) << locale;
}

class PolishHostTest : public QtHostTest {
protected:
    PolishHostTest() : QtHostTest({.locale = "pl-PL"}) {}
};

TEST_F(PolishHostTest, WithoutACodePageTheLocalesOneIsUsedForKeyPressAndCase) {
    auto& site = add("TextoEmMaiusculo", u"t1");
    NamedSink sink;
    sink.site = &site;
    site.setSink(&sink);
    focusOn(box(site).widget());
    press(Qt::Key_unknown, QStringLiteral("ł"));
    // ł is 0xB3 in windows-1250, and the upper-case box turns it into Ł.
    EXPECT_NE(std::find(sink.heard.begin(), sink.heard.end(), "KeyPress 179"), sink.heard.end());
    EXPECT_EQ(box(site).Text().value(), u"Ł");
    EXPECT_EQ(host->settings().codePage, "windows-1250");
}

TEST_F(QtHostTest, ACharacterOutsideTheCodePageIsInsertedAsTypedWhileKeyPressSeesQuestionMark) {
    auto& site = add("TextoEmMinusculo", u"t1");
    NamedSink sink;
    sink.site = &site;
    site.setSink(&sink);
    focusOn(box(site).widget());
    press(Qt::Key_unknown, QStringLiteral("ł"));
    press(Qt::Key_unknown, QStringLiteral("€")); // in windows-1252, at 0x80
    press(Qt::Key_unknown, QStringLiteral("😀")); // two UTF-16 units, outside any code page
    press(Qt::Key_Question, QStringLiteral("?"));
    EXPECT_EQ(box(site).Text().value(), u"ł€😀?");
    const std::vector<std::string> presses = [&] {
        std::vector<std::string> out;
        for (const auto& h : sink.heard)
            if (h.starts_with("KeyPress")) out.push_back(h);
        return out;
    }();
    EXPECT_EQ(presses, (std::vector<std::string>{"KeyPress 63", "KeyPress 128", "KeyPress 63",
                                                 "KeyPress 63"}));

    // A form that replaces the key's code gets its own character; 0 inserts nothing.
    sink.onEvent = [](const std::string& name, EventArgs args) {
        if (name == "KeyPress") args[0].i2() = args[0].i2() == 63 ? 0 : 120;
    };
    press(Qt::Key_unknown, QStringLiteral("ł"));
    press(Qt::Key_B, QStringLiteral("b"));
    EXPECT_EQ(box(site).Text().value(), u"ł€😀?x");
}

TEST_F(QtHostTest, AssignedTextIsNeverCutByTheLimitOrTheLineEditsOwn) {
    auto& site = add("TextoEmMaiusculo", u"t1");
    auto& b = box(site);
    const std::u16string longText(40000, u'A');
    ASSERT_FALSE(b.setText(longText).isError());
    EXPECT_EQ(b.Text().value().size(), 40000u);
    ASSERT_FALSE(b.setMaxLength(3).isError());
    ASSERT_FALSE(b.setText(u"ABCDEF").isError());
    EXPECT_EQ(b.Text().value(), u"ABCDEF");
    // Typing into a full box is refused whole; a paste inserts what fits.
    ASSERT_FALSE(b.setText(u"A").isError());
    focusOn(b.widget());
    press(Qt::Key_End, {});
    typeText(QStringLiteral("bcd"));
    EXPECT_EQ(b.Text().value(), u"ABC");
    ASSERT_FALSE(b.setText(u"A").isError());
    ASSERT_FALSE(b.setSelStart(1).isError());
    ASSERT_FALSE(b.paste(u"xyz").isError());
    EXPECT_EQ(b.Text().value(), u"Axy");
    // A locked box takes nothing from the user, but code still changes it.
    ASSERT_FALSE(b.setLocked(VTrue).isError());
    press(Qt::Key_Backspace, QStringLiteral("\b"));
    EXPECT_EQ(b.Text().value(), u"Axy");
    ASSERT_FALSE(b.setSelText(u"!").isError());
    EXPECT_EQ(b.Text().value(), u"Axy!");
}

TEST_F(QtHostTest, ThePasswordCharacterIsTheOneGivenAndCopyingAPasswordIsRefused) {
    auto& site = add("TextoEmMaiusculo", u"t1");
    auto& b = box(site);
    ASSERT_FALSE(b.setText(u"ABC").isError());
    ASSERT_FALSE(b.setPasswordChar(u"#").isError());
    EXPECT_EQ(b.edit()->displayText(), QStringLiteral("###"));
    EXPECT_EQ(b.setPasswordChar(u"##").error().code, errc::InvalidPropertyValue);
    ASSERT_FALSE(b.setPasswordChar(u"").isError());
    EXPECT_EQ(b.edit()->displayText(), QStringLiteral("ABC"));
}

TEST_F(QtHostTest, AMessageBoxIsModalBreaksLinesAtCarriageReturnsAndRunsTheLoopInside) {
    bool loopRan = false;
    answerer.whileShown = [&] {
        QTimer::singleShot(0, [&] { loopRan = true; });
        processQtEvents();
    };
    auto r = host->runtime().MsgBox(u"one\rtwo\r\nthree", msgbox::Information, u"Title");
    ASSERT_FALSE(r.isError());
    EXPECT_EQ(r.value(), msgbox::OK);
    ASSERT_EQ(answerer.texts.size(), 1u);
    EXPECT_EQ(answerer.texts[0], QStringLiteral("one\ntwo\nthree"));
    EXPECT_TRUE(loopRan);
}

TEST_F(QtHostTest, TwoFailingMailBoxesOnTheDesktopShowOneMessageAndTheFocusReturns) {
    auto& m1 = add("MailText", u"m1");
    auto& m2 = add("MailText", u"m2");
    ASSERT_FALSE(box(m1).setText(u"nobody").isError());
    ASSERT_FALSE(box(m2).setText(u"nobody either").isError());
    focusOn(box(m1).widget());
    // The window's own Tab moves the focus to the next box: m1's check fails, shows its
    // message (the window loses activation to the box, and m2 its pending focus), and takes
    // the focus back. m2 never checks.
    press(Qt::Key_Tab, QStringLiteral("\t"));
    for (int i = 0; i < 20; ++i)
        processQtEvents();
    EXPECT_EQ(answerer.texts.size(), 1u);
    EXPECT_EQ(QApplication::focusWidget(), box(m1).widget());
    // A click on m2 does the same once more: one message, and the focus back in m1.
    QTest::mouseClick(box(m2).widget(), Qt::LeftButton);
    for (int i = 0; i < 20; ++i)
        processQtEvents();
    EXPECT_EQ(answerer.texts.size(), 2u);
    EXPECT_EQ(QApplication::focusWidget(), box(m1).widget());
}

TEST_F(QtHostTest, SentTabMovesTheFocusOnlyAfterTheHandlerReturns) {
    auto& t1 = add("TextoEmMaiusculo", u"t1");
    auto& t2 = add("TextoEmMaiusculo", u"t2");
    focusOn(box(t1).widget());
    ASSERT_FALSE(host->runtime().SendKeys(u"{tab}AB").isError());
    EXPECT_EQ(QApplication::focusWidget(), box(t1).widget());
    processQtEvents();
    EXPECT_EQ(QApplication::focusWidget(), box(t2).widget());
    // The rest of the keys are typed where the focus went, through the box's own rule.
    EXPECT_EQ(box(t2).Text().value(), u"AB");
    EXPECT_EQ(box(t1).Text().value(), u"");
}

TEST_F(QtHostTest, MinStaysAtTheTopOfTheBarWhenItIsTheLargerEnd) {
    auto made = host->create(
        [](Site s) -> ErrorOr<std::shared_ptr<Control>> {
            return std::shared_ptr<Control>(TRY(BarOnly::create(s)));
        },
        255, 1500, u"b1", window.get());
    ASSERT_FALSE(made.isError());
    auto& site = *sites.emplace_back(made.releaseValue());
    auto* control = static_cast<BarOnly*>(site.control());
    auto* bar = dynamic_cast<QtVScrollBar*>(site.find(u"VScroll1"))->bar();
    auto click = [&](bool bottom) {
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          QPoint(bar->width() / 2, bottom ? bar->height() - 3 : 2));
        processQtEvents();
    };
    // The top arrow goes towards Min, here upwards in value.
    click(false);
    EXPECT_EQ(control->bar->Value().value(), 1);
    click(true);
    click(true);
    EXPECT_EQ(control->bar->Value().value(), -1);
    EXPECT_EQ(control->changes, 3);
    EXPECT_EQ(control->bar->setValue(11).error().code, errc::InvalidPropertyValue);
    // Moving an end past the position drags it along, as one change.
    ASSERT_FALSE(control->bar->setMax(5).isError());
    EXPECT_EQ(control->bar->Value().value(), 5);
    EXPECT_EQ(control->changes, 4);
    ASSERT_FALSE(control->bar->setValue(5).isError());
    EXPECT_EQ(control->changes, 4);
    // The whole 16-bit range: the widget's steps reach it end to end.
    ASSERT_FALSE(control->bar->setMin(-32768).isError());
    ASSERT_FALSE(control->bar->setMax(32767).isError());
    ASSERT_FALSE(control->bar->setValue(32767).isError());
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_EQ(bar->maximum(), 65535);
}

TEST_F(QtHostTest, TwipsArePixelsAtTheScreensLogicalDpi) {
    const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInch();
    EXPECT_EQ(QtHost::toPixels(1440), static_cast<int>(dpi));
    EXPECT_FLOAT_EQ(QtHost::toTwips(static_cast<int>(dpi)), 1440.0f);
    auto& site = add("MailText", u"m1");
    EXPECT_EQ(site.widget()->height(), QtHost::toPixels(300));
    EXPECT_EQ(box(site).widget()->width(), QtHost::toPixels(3975));
    // Far beyond what a pixel coordinate holds is clamped, never wrapped.
    EXPECT_GT(QtHost::toPixels(2147483648.0f), 0);
}

TEST_F(QtHostTest, PicturesAreDecodedForDrawingAndBadBytesAreRefused) {
    auto& objects = host->objects();
    auto bitmap = objects.LoadResPicture(FirstToolboxBitmap, ResourceKind::Bitmap);
    ASSERT_FALSE(bitmap.isError());
    auto* pic = dynamic_cast<QtPicture*>(bitmap.value().get());
    ASSERT_NE(pic, nullptr);
    EXPECT_EQ(pic->pixmap.width(), 16);
    EXPECT_EQ(pic->pixmap.height(), 15);
    EXPECT_EQ(pic->type, picturetype::Bitmap);

    auto cursor = objects.LoadResPicture(resid::LinkCursor, ResourceKind::Cursor);
    ASSERT_FALSE(cursor.isError());
    auto* cur = dynamic_cast<QtPicture*>(cursor.value().get());
    const auto file = linkCursor();
    EXPECT_EQ(cur->pixmap.width(), 32);
    EXPECT_EQ(cur->type, picturetype::Icon);
    EXPECT_EQ(cur->hotspot, QPoint(file[10] | file[11] << 8, file[12] | file[13] << 8));
    // The same cursor file loaded as an icon is refused: the kind must match.
    EXPECT_EQ(objects.LoadResPicture(resid::LinkCursor, ResourceKind::Icon).error().code,
              errc::ResourceNotFound);

    const std::uint8_t garbage[] = {'B', 'M', 1, 2, 3};
    EXPECT_EQ(objects.LoadPicture(garbage).error().code, errc::InvalidPicture);
    std::vector<std::uint8_t> shortIcon(launchButtonIcon().begin(), launchButtonIcon().end());
    shortIcon.resize(shortIcon.size() / 2);
    EXPECT_EQ(objects.LoadPicture(shortIcon).error().code, errc::InvalidPicture);
    EXPECT_EQ(objects.LoadResPicture(999, ResourceKind::Bitmap).error().code,
              errc::ResourceNotFound);
}

TEST_F(QtHostTest, AParentThatDeletesTheSurfaceLeavesHandlesThatFailCleanly) {
    auto& site = add("ScrollText", u"s1");
    auto handle = static_cast<Control*>(site.control());
    ASSERT_NE(handle, nullptr);
    auto* part = dynamic_cast<QtTextBox*>(site.find(u"Text1"));
    ASSERT_NE(part, nullptr);
    PartHandle<TextBox> text = part->handle();
    delete site.widget();
    EXPECT_FALSE(text.alive());
    EXPECT_EQ(text->Text().error().code, errc::ObjectDisconnected);
    EXPECT_TRUE(site.constituents().empty());
}

TEST_F(QtHostTest, AContainerDestroyedFromItsOwnHandlerGoesOnceTheHandlerReturns) {
    auto& site = add("TextoEmMaiusculo", u"t1");
    QPointer<QWidget> surface(site.widget());
    NamedSink sink;
    sink.site = &site;
    site.setSink(&sink);
    sink.onEvent = [&](const std::string& name, EventArgs) {
        if (name != "KeyPress") return;
        host->destroyLater(std::move(sites.back()));
        sites.pop_back();
        EXPECT_FALSE(surface.isNull());
    };
    focusOn(box(site).widget());
    press(Qt::Key_A, QStringLiteral("a"));
    EXPECT_TRUE(surface.isNull());
    EXPECT_FALSE(host->inHandler());
}

TEST_F(QtHostTest, TheShellOpensTheAddressThroughTheDesktopInUtf8) {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "open");
    // "\xE7" is ç in windows-1252: the address arrives in the code page.
    const std::string file = std::string("http://example.com/a") + static_cast<char>(0xE7);
    auto opened = host->shell().ShellExecuteA(0, "open", file, "", "", 1);
    auto refused = host->shell().ShellExecuteA(0, "print", file, "", "", 1);
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    ASSERT_FALSE(opened.isError());
    EXPECT_GT(opened.value(), 32);
    ASSERT_EQ(catcher.opened.size(), 1);
    EXPECT_EQ(catcher.opened[0].toEncoded(), QByteArray("http://example.com/a%C3%A7"));
    // A verb the desktop has no opener for is answered as the shell answers it.
    EXPECT_LE(refused.value(), 32);
}

} // namespace
} // namespace tessivra::testing
