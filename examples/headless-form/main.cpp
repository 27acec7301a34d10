// A program built against the installed Tessivra package: puts a MailText on a headless form,
// types an address into it as a user would, reads its Text through the dispatcher and keeps
// the form as a form file.

#include "controls/shipped_classes.h"
#include "framework/dispatch.h"
#include "framework/registry/class_table.h"
#include "hosts/headless/form.h"
#include "hosts/headless/form_file.h"

#include <iostream>
#include <memory>

using namespace tessivra;

int main() {
    headless::HeadlessForm form;
    ControlClassTable table{shippedClasses()};
    const ControlClassInfo* mail = findByProgId(shippedClasses(), "Tessivra.MailText");
    if (!mail) return 1;
    auto made = form.add(
        u"txtMail",
        [&](Site site) -> ErrorOr<std::shared_ptr<Control>> {
            return std::shared_ptr<Control>(TRY(table.create(*mail, site)));
        },
        mail->Class->designWidth, mail->Class->designHeight);
    if (made.isError() || form.place(u"txtMail").isError() ||
        form.type(u"txtMail", u"ana@example.org").isError())
        return 1;

    Dispatcher dispatcher(*made.value());
    auto text = dispatcher.invoke(dispatcher.idOfName(u"Text").value(), InvokeKind::Get);
    if (text.isError()) return 1;
    std::cout << "txtMail.Text = " << toUtf8(text.value().string()) << "\n";

    headless::FormFile file;
    file.caption = u"Example";
    headless::FormControl c;
    c.name = u"txtMail";
    c.classId = std::string(mail->ProgId);
    c.width = form.container(u"txtMail")->width();
    c.height = form.container(u"txtMail")->height();
    if (form.save(u"txtMail", c.bag).isError()) return 1;
    file.controls.push_back(std::move(c));
    std::cout << file.toJson().size() << " bytes of form file\n";
    return 0;
}
