// Three of the library's controls on a Qt window, placed in code: an e-mail box, a currency box
// and the clock, each an ordinary QWidget. Built against the installed package
// (scripts/check-install.sh); `--quit` prints what the controls hold and exits at once.

#include "hosts/qt/control_widget.h"

#include <QApplication>
#include <QFormLayout>
#include <QTimer>

#include <cstring>
#include <iostream>

using tessivra::qt::ControlWidget;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    auto* layout = new QFormLayout(&window);

    auto* mail = new ControlWidget("MailText", &window);
    auto* price = new ControlWidget("Moeda", &window);
    auto* clock = new ControlWidget("HoraAtual", &window);
    mail->setValue("Text", "ana@example.org");
    QObject::connect(mail, &ControlWidget::controlEvent,
                     [mail](const QString& e, const QVariantList& a) {
                         if (e == "KeyPress" && a.value(0).toInt() == ' ')
                             mail->setEventArgument("KeyAscii", 0);
                     });

    layout->addRow("E-mail", mail);
    layout->addRow("Price", price);
    layout->addRow("Time", clock);
    window.setWindowTitle("Tessivra in Qt");
    window.show();

    if (argc > 1 && std::strcmp(argv[1], "--quit") == 0) {
        std::cout << "mail.Text = " << mail->value("Text").toString().toStdString() << "\n"
                  << "clock.ForeColor = " << clock->value("ForeColor").toInt() << "\n";
        return mail->isValid() && price->isValid() && clock->isValid() ? 0 : 1;
    }
    return app.exec();
}
