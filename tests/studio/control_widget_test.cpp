// tessivra::qt::ControlWidget: properties through the dispatcher with failures as errors, events
// as a signal whose slots may change by-reference arguments, and the property bag.

#include "hosts/headless/property_bag.h"
#include "hosts/qt/control_widget.h"
#include "hosts/qt/qt_host.h"

#include <QLineEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace tessivra::qt {
namespace {

QLineEdit* editOf(ControlWidget& w) {
    return w.surface() ? w.surface()->findChild<QLineEdit*>() : nullptr;
}

TEST(ControlWidget, MakesAControlByNameProgIdOrClassIdentifier) {
    for (const char* id : {"MailText", "tessivra.moeda", "Tessivra.HoraAtual",
                           "{4F0033FB-CBD7-4458-95C6-E2AB8FE34C52}"}) {
        ControlWidget w(id);
        EXPECT_TRUE(w.isValid()) << id << ": " << w.errorString().toStdString();
        EXPECT_NE(w.control(), nullptr) << id;
        EXPECT_GT(w.sizeHint().width(), 0) << id;
    }
}

// A class that is not there is an error on every call, never a crash.
TEST(ControlWidget, AnUnknownClassFailsEveryCallWithAnError) {
    ControlWidget w("Tessivra.NoSuchControl");
    EXPECT_FALSE(w.isValid());
    EXPECT_EQ(w.lastError().code, errc::ClassNotAvailable);
    bool ok = true;
    EXPECT_FALSE(w.value("Text", &ok).isValid());
    EXPECT_FALSE(ok);
    EXPECT_FALSE(w.setValue("Text", "x"));
    headless::HeadlessPropertyBag bag;
    EXPECT_FALSE(w.save(bag));
    EXPECT_FALSE(w.load(bag));
    ControlWidget bad("{not-an-identifier}");
    EXPECT_FALSE(bad.isValid());
    EXPECT_FALSE(bad.errorString().isEmpty());
}

TEST(ControlWidget, PropertiesGoThroughTheDispatcherAndRefusalsChangeNothing) {
    ControlWidget w("MailText");
    ASSERT_TRUE(w.isValid());
    QSignalSpy errors(&w, &ControlWidget::errorOccurred);
    EXPECT_TRUE(w.setValue("Text", "ana@example.org"));
    EXPECT_EQ(w.value("text").toString(), "ana@example.org"); // names in any case
    EXPECT_EQ(editOf(w)->text(), "ana@example.org");
    EXPECT_TRUE(w.errorString().isEmpty());
    EXPECT_TRUE(w.setValue("MaxLength", 12));
    EXPECT_EQ(w.value("MaxLength").toInt(), 12);
    // Automation's conversions: text to a number, a number to a Boolean.
    EXPECT_TRUE(w.setValue("MaxLength", "20"));
    EXPECT_EQ(w.value("MaxLength").toInt(), 20);
    EXPECT_TRUE(w.setValue("Locked", 1));
    EXPECT_EQ(w.value("Locked").toBool(), true);

    // Refusals: a value out of the property's range, one that does not convert, one past 32
    // bits, a name the class does not have, a read-only... each leaves the control as it was.
    EXPECT_FALSE(w.setValue("Alignment", 7));
    EXPECT_EQ(w.lastError().code, errc::InvalidPropertyValue);
    EXPECT_FALSE(w.setValue("MaxLength", "abc"));
    EXPECT_FALSE(w.setValue("MaxLength", qlonglong(1) << 40));
    EXPECT_EQ(w.lastError().code, errc::Overflow);
    EXPECT_FALSE(w.setValue("MaxLength", std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(w.setValue("NoSuchProperty", 1));
    EXPECT_FALSE(w.setValue("Text", QVariant::fromValue(QPoint(1, 2))));
    EXPECT_EQ(w.lastError().code, errc::TypeMismatch);
    EXPECT_EQ(w.value("MaxLength").toInt(), 20);
    EXPECT_EQ(w.value("Alignment").toInt(), 0);
    EXPECT_EQ(w.value("Text").toString(), "ana@example.org");
    EXPECT_GE(errors.count(), 6);
    bool ok = true;
    w.value("NoSuchProperty", &ok);
    EXPECT_FALSE(ok);
}

// Fonts come out as QFont and go back in as one.
TEST(ControlWidget, FontsTravelAsQFont) {
    ControlWidget w("TextoEmMaiusculo");
    QFont f("DejaVu Sans");
    f.setPointSizeF(14);
    f.setBold(true);
    ASSERT_TRUE(w.setValue("Font", f)) << w.errorString().toStdString();
    QFont back = w.value("Font").value<QFont>();
    EXPECT_EQ(back.family(), "DejaVu Sans");
    EXPECT_DOUBLE_EQ(back.pointSizeF(), 14.0);
    EXPECT_TRUE(back.bold());
}

TEST(ControlWidget, EventsArriveAsASignalAndASlotChangesByReferenceArguments) {
    ControlWidget w("TextoEmMaiusculo");
    ASSERT_TRUE(w.isValid());
    QStringList seen;
    // The slot refuses the letter q and turns x into y, through KeyAscii.
    QObject::connect(&w, &ControlWidget::controlEvent,
                     [&](const QString& event, const QVariantList& args) {
                         seen << event;
                         if (event != "KeyPress") return;
                         const int key = args.value(0).toInt();
                         if (key == 'q' || key == 'Q') {
                             EXPECT_TRUE(w.setEventArgument("KeyAscii", 0));
                         }
                         if (key == 'x') {
                             EXPECT_TRUE(w.setEventArgument(0, int('y')));
                         }
                         // An argument the event does not have, and one that does not convert.
                         EXPECT_FALSE(w.setEventArgument("Shift", 1));
                         EXPECT_FALSE(w.setEventArgument(3, 1));
                         EXPECT_FALSE(w.setEventArgument("KeyAscii", "not a number"));
                     });
    QLineEdit* edit = editOf(w);
    ASSERT_NE(edit, nullptr);
    QTest::keyClicks(edit, "aqx");
    EXPECT_EQ(w.value("Text").toString(), "AY");
    EXPECT_TRUE(seen.contains("KeyDown"));
    EXPECT_TRUE(seen.contains("KeyPress"));
    EXPECT_TRUE(seen.contains("Change"));
    EXPECT_TRUE(seen.contains("KeyUp"));
    // Outside an event there is nothing to change.
    EXPECT_FALSE(w.setEventArgument("KeyAscii", 0));
}

// A slot may delete the widget from within the control's own event.
TEST(ControlWidget, ASlotMayDeleteTheWidgetInItsEvent) {
    QPointer<ControlWidget> w = new ControlWidget("MailText");
    QObject::connect(w, &ControlWidget::controlEvent,
                     [&](const QString& event, const QVariantList&) {
                         if (event == "Change") delete w.data();
                     });
    EXPECT_TRUE(w->setValue("Text", "gone"));
    EXPECT_TRUE(w.isNull());
}

TEST(ControlWidget, SavesAndLoadsItsPropertyBag) {
    headless::HeadlessPropertyBag bag;
    {
        ControlWidget w("Moeda");
        ASSERT_TRUE(w.setValue("Text", "1234,5"));
        ASSERT_TRUE(w.setValue("Alignment", 2));
        ASSERT_TRUE(w.save(bag)) << w.errorString().toStdString();
    }
    ASSERT_NE(bag.find(u"Alignment"), nullptr);
    // Made from the bag, before its first placement, as a form loads it.
    ControlWidget made("Moeda", nullptr, "c1", &bag);
    ASSERT_TRUE(made.isValid());
    EXPECT_EQ(made.value("Alignment").toInt(), 2);
    ASSERT_NE(bag.find(u"Text"), nullptr);
    EXPECT_EQ(made.value("Text").toString(),
              QString::fromStdU16String(bag.find(u"Text")->string()));
    EXPECT_EQ(made.controlName(), "c1");
    // Loaded into a control already standing.
    ControlWidget later("Moeda");
    ASSERT_TRUE(later.load(bag));
    EXPECT_EQ(later.value("Alignment").toInt(), 2);
    // A bag whose value the control refuses: an error, and the widget still answers.
    headless::HeadlessPropertyBag bad;
    bad.put(u"Alignment", Value(std::u16string(u"many")));
    ControlWidget refused("Moeda");
    EXPECT_FALSE(refused.load(bad));
    EXPECT_NE(refused.lastError().code, 0);
    EXPECT_TRUE(refused.setValue("Text", "1"));
}

} // namespace
} // namespace tessivra::qt
