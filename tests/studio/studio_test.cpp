// Tessivra Studio: form files shared with the command-line container, the toolbox, the
// property sheet (a refused value shown beside its property, the control unchanged), placing
// and moving in design, and screenshots.

#include "controls/shipped_classes.h"
#include "hosts/headless/text_file.h"
#include "tests/script_player.h"
#include "tools/tessivra-studio/studio.h"

#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace tessivra::studio {
namespace {

namespace fs = std::filesystem;

const fs::path kForms = fs::path(TESSIVRA_SOURCE_DIR) / "examples" / "forms";

class StudioTest : public ::testing::Test {
protected:
    fs::path dir = fs::path(TESSIVRA_BINARY_DIR) / "tests" / "studio";
    void SetUp() override { fs::create_directories(dir); }
    QString path(const char* name) const { return QString::fromStdString((dir / name).string()); }
    static std::string read(const QString& p) {
        auto t = headless::readTextFile(p.toStdString());
        return t.isError() ? std::string() : t.value();
    }
    static int rowOf(QTableWidget* sheet, const QString& member) {
        for (int r = 0; r < sheet->rowCount(); ++r)
            if (sheet->item(r, Studio::MemberColumn)->text() == member) return r;
        return -1;
    }
};

// A form saved by the studio loads in tessivra-run, which stores it again, and the studio loads
// that back: the three files are one, byte for byte, and the controls hold what they held.
TEST_F(StudioTest, AFormSavedByTheStudioLoadsInTheRunnerAndBackWithNothingLost) {
    Studio studio(false);
    auto opened = studio.openForm(QString::fromStdString((kForms / "order.json").string()));
    ASSERT_FALSE(opened.isError()) << toUtf8(opened.error().description);
    ASSERT_EQ(studio.controls().size(), 7u);
    // A change made in the studio travels too.
    ASSERT_TRUE(studio.control("txtMail")->setValue("Text", "joao@example.org"));
    ASSERT_TRUE(studio.control("txtValor")->setValue("Alignment", 1));
    ASSERT_FALSE(studio.saveForm(path("studio.json")).isError());

    auto lines = testing::play("load \"" + path("studio.json").toStdString() +
                               "\"\nget txtMail Text\nget txtValor Alignment\nstore \"" +
                               path("runner.json").toStdString() + "\"\n");
    for (const auto& l : lines)
        EXPECT_FALSE(l.starts_with("error")) << l;
    EXPECT_TRUE(testing::has(lines, "txtMail.Text = \"joao@example.org\""));
    EXPECT_TRUE(testing::has(lines, "txtValor.Alignment = 1"));

    Studio again(false);
    ASSERT_FALSE(again.openForm(path("runner.json")).isError());
    ASSERT_FALSE(again.saveForm(path("back.json")).isError());
    const std::string first = read(path("studio.json"));
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first, read(path("runner.json")));
    EXPECT_EQ(first, read(path("back.json")));
    EXPECT_EQ(again.control("txtmail")->value("Text").toString(), "joao@example.org");
}

// A form the studio cannot open whole leaves the form it had.
TEST_F(StudioTest, ARefusedFormLeavesTheFormAsItWas) {
    Studio studio(false);
    ASSERT_FALSE(
        studio.openForm(QString::fromStdString((kForms / "order.json").string())).isError());
    auto text = read(QString::fromStdString((kForms / "order.json").string()));
    auto at = text.find("Tessivra.MailText");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 17, "Tessivra.NoneSuch");
    ASSERT_FALSE(headless::writeTextFile(path("unknown.json").toStdString(), text).isError());
    auto r = studio.openForm(path("unknown.json"));
    ASSERT_TRUE(r.isError());
    EXPECT_EQ(r.error().code, errc::ClassNotAvailable);
    EXPECT_EQ(studio.controls().size(), 7u);
    ASSERT_FALSE(
        headless::writeTextFile(path("broken.json").toStdString(), "{\"format\": 1}").isError());
    r = studio.openForm(path("broken.json"));
    ASSERT_TRUE(r.isError());
    EXPECT_NE(toUtf8(r.error().description).find("format"), std::string::npos);
    EXPECT_EQ(studio.controls().size(), 7u);
}

// The toolbox holds every class with a toolbox picture, each with its picture decoded.
TEST_F(StudioTest, TheToolboxShowsEachClassWithItsPicture) {
    Studio studio(true);
    QListWidget* tools = studio.toolbox();
    ASSERT_NE(tools, nullptr);
    QStringList names;
    for (int i = 0; i < tools->count(); ++i) {
        names << tools->item(i)->text();
        const QPixmap picture = tools->item(i)->icon().pixmap(16, 16);
        EXPECT_FALSE(picture.isNull()) << tools->item(i)->text().toStdString();
    }
    EXPECT_EQ(names.size(), 8) << names.join(",").toStdString();
    for (const char* c : {"TextoEmMaiusculo", "TextoEmMinusculo", "MailText", "UrlText", "Moeda",
                          "ScrollText", "HoraAtual", "Sobre"})
        EXPECT_TRUE(names.contains(c)) << c;
    EXPECT_FALSE(names.contains("frmAbout"));
}

TEST_F(StudioTest, ThePropertySheetListsEveryMemberAndShowsARefusalBesideTheProperty) {
    Studio studio(true);
    const auto* info = findByProgId(shippedClasses(), "Tessivra.MailText");
    ASSERT_NE(info, nullptr);
    auto made = studio.addControl(*info, QPoint(10, 10));
    ASSERT_FALSE(made.isError());
    qt::ControlWidget* mail = made.value();
    EXPECT_EQ(mail->controlName(), "MailText1");
    EXPECT_EQ(studio.selected(), mail);
    QTableWidget* sheet = studio.propertySheet();
    ASSERT_EQ(sheet->rowCount(), static_cast<int>(info->Class->members.size()));
    const int maxLength = rowOf(sheet, "MaxLength");
    ASSERT_GE(maxLength, 0);
    EXPECT_EQ(sheet->item(maxLength, Studio::TypeColumn)->text(), "long");
    EXPECT_FALSE(sheet->item(rowOf(sheet, "Text"), Studio::HelpColumn)->text().isEmpty());
    EXPECT_EQ(sheet->item(maxLength, Studio::ValueColumn)->text(), "0");

    EXPECT_EQ(studio.editProperty("MaxLength", "25"), "");
    EXPECT_EQ(mail->value("MaxLength").toInt(), 25);
    EXPECT_EQ(sheet->item(maxLength, Studio::ValueColumn)->text(), "25");

    // Refused: shown beside the property, the control and the cell keep the value they had.
    const QString refused = studio.editProperty("MaxLength", "many");
    EXPECT_FALSE(refused.isEmpty());
    EXPECT_EQ(sheet->item(maxLength, Studio::RefusedColumn)->text(), refused);
    EXPECT_EQ(mail->value("MaxLength").toInt(), 25);
    EXPECT_EQ(sheet->item(maxLength, Studio::ValueColumn)->text(), "25");
    const int alignment = rowOf(sheet, "Alignment");
    EXPECT_TRUE(studio.editProperty("Alignment", "9").startsWith("380 "));
    EXPECT_EQ(mail->value("Alignment").toInt(), 0);
    EXPECT_EQ(sheet->item(alignment, Studio::ValueColumn)->text(), "0");

    // An edit typed into the cell goes the same way.
    sheet->item(rowOf(sheet, "Text"), Studio::ValueColumn)->setText("eu@example.org");
    QCoreApplication::processEvents();
    EXPECT_EQ(mail->value("Text").toString(), "eu@example.org");
    // A good value clears the refusal shown before.
    EXPECT_EQ(studio.editProperty("MaxLength", "30"), "");
    EXPECT_TRUE(sheet->item(maxLength, Studio::RefusedColumn)->text().isEmpty());
}

// In design the controls are moved and sized, not typed into; the place moved to is saved.
TEST_F(StudioTest, DesignMovesAndSizesControlsAndKeepsKeysFromThem) {
    Studio studio(true);
    studio.show();
    const auto* info = findByProgId(shippedClasses(), "Tessivra.UrlText");
    auto made = studio.addControl(*info, QPoint(0, 0));
    ASSERT_FALSE(made.isError());
    qt::ControlWidget* url = made.value();
    QLineEdit* edit = url->surface()->findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    QTest::keyClicks(edit, "abc");
    EXPECT_EQ(url->value("Text").toString(), "");

    // A drag from the middle moves it, from the bottom-right corner sizes it.
    const QPoint middle(url->width() / 2, url->height() / 2);
    QTest::mousePress(edit, Qt::LeftButton, {}, edit->mapFrom(url, middle));
    QTest::mouseMove(edit, edit->mapFrom(url, middle + QPoint(30, 45)));
    QTest::mouseRelease(edit, Qt::LeftButton, {}, edit->mapFrom(url, middle + QPoint(30, 45)));
    EXPECT_EQ(url->pos(), QPoint(30, 45));
    studio.sizeControl(url, QSize(300, url->height()));
    EXPECT_EQ(url->width(), 300);

    auto form = studio.formFile();
    ASSERT_FALSE(form.isError());
    ASSERT_EQ(form.value().controls.size(), 1u);
    EXPECT_EQ(form.value().controls[0].left, qt::QtHost::toTwips(30));
    EXPECT_EQ(form.value().controls[0].top, qt::QtHost::toTwips(45));
    EXPECT_EQ(form.value().controls[0].width, qt::QtHost::toTwips(300));
}

// Run from the designer, the controls take keys, and every event is logged with its arguments.
TEST_F(StudioTest, RunningTheFormLogsEveryEventWithItsArguments) {
    Studio studio(true);
    const auto* info = findByProgId(shippedClasses(), "Tessivra.TextoEmMaiusculo");
    auto made = studio.addControl(*info, QPoint(0, 0));
    ASSERT_FALSE(made.isError());
    studio.setDesigning(false);
    QLineEdit* edit = made.value()->surface()->findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    QTest::keyClicks(edit, "a");
    EXPECT_EQ(made.value()->value("Text").toString(), "A");
    const QString log = studio.eventLog()->toPlainText();
    EXPECT_TRUE(log.contains("TextoEmMaiusculo1 KeyPress KeyAscii=97")) << log.toStdString();
    EXPECT_TRUE(log.contains("TextoEmMaiusculo1 KeyDown KeyCode=65 Shift=0")) << log.toStdString();
    EXPECT_TRUE(log.contains("TextoEmMaiusculo1 Change")) << log.toStdString();
    // Designing again, keys stop at the designer.
    studio.setDesigning(true);
    QTest::keyClicks(edit, "b");
    EXPECT_EQ(made.value()->value("Text").toString(), "A");
}

TEST_F(StudioTest, AScreenshotIsThePictureOfTheForm) {
    Studio studio(false);
    ASSERT_FALSE(
        studio.openForm(QString::fromStdString((kForms / "gallery" / "MailText.json").string()))
            .isError());
    studio.show();
    QCoreApplication::processEvents();
    ASSERT_FALSE(studio.screenshot(path("mail.png")).isError());
    QImage image(path("mail.png"));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), studio.canvas()->size());
    EXPECT_TRUE(studio.screenshot("/no/such/folder/x.png").isError());
}

} // namespace
} // namespace tessivra::studio
