#include "tools/tessivra-studio/studio.h"

#include "controls/shipped_classes.h"
#include "framework/idl.h"
#include "framework/registry/resources.h"
#include "hosts/headless/journal.h"
#include "hosts/headless/text_file.h"

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QFileDialog>
#include <QHeaderView>
#include <QImage>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>

#include <algorithm>
#include <cstdio>
#include <iostream>

namespace tessivra::studio {

namespace {

QString qs(std::u16string_view s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}
std::u16string u16(const QString& s) {
    return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()),
                          static_cast<std::size_t>(s.size()));
}

// A toolbox picture from the library's resources: a bitmap with or without its file header.
QPixmap toolboxPixmap(std::int32_t id) {
    auto bytes = toolboxBitmap(id);
    if (bytes.empty()) return {};
    QByteArray data(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<qsizetype>(bytes.size()));
    if (!data.startsWith("BM")) {
        // A bare device-independent bitmap: the file header says where its pixels start, after
        // the info header and the colour table.
        auto le32 = [&](int at) {
            return static_cast<std::uint32_t>(static_cast<unsigned char>(data[at])) |
                   static_cast<std::uint32_t>(static_cast<unsigned char>(data[at + 1])) << 8 |
                   static_cast<std::uint32_t>(static_cast<unsigned char>(data[at + 2])) << 16 |
                   static_cast<std::uint32_t>(static_cast<unsigned char>(data[at + 3])) << 24;
        };
        if (data.size() < 40) return {};
        const std::uint32_t infoSize = le32(0);
        const std::uint16_t bits = static_cast<std::uint16_t>(le32(14) & 0xFFFF);
        std::uint32_t colours = le32(32);
        if (colours == 0 && bits <= 8) colours = 1u << bits;
        const std::uint32_t offset = 14 + infoSize + 4 * colours;
        const std::uint32_t total = 14 + static_cast<std::uint32_t>(data.size());
        QByteArray header("BM", 2);
        for (std::uint32_t v : {total, 0u, offset})
            for (int i = 0; i < 4; ++i)
                header.append(static_cast<char>((v >> (8 * i)) & 0xFF));
        header.truncate(14);
        data.prepend(header);
    }
    QImage image = QImage::fromData(data, "BMP");
    return QPixmap::fromImage(image);
}

QString memberType(const DispatchMember& m) {
    if (m.access & access::Call) {
        QString params;
        for (const auto& p : m.params) {
            if (!params.isEmpty()) params += ", ";
            params += qs(p.name) + " As " + QString::fromUtf8(idlTypeName(p.type));
        }
        return "method(" + params + ")";
    }
    return QString::fromUtf8(idlTypeName(m.type));
}

// A value as the sheet shows it: text as itself, everything else as the runner prints it.
QString shown(const Value& v) {
    if (v.type() == ValueType::String) return qs(v.string());
    return QString::fromStdString(headless::formatValue(v));
}

QString errorText(const Error& e) {
    return QString::number(e.code) + ' ' + qs(e.description);
}

} // namespace

Studio::Studio(bool design, qt::HostSettings settings, QWidget* parent)
    : QMainWindow(parent), design_(design), designing_(design),
      host_(std::make_unique<qt::QtHost>(std::move(settings))) {
    canvas_ = new QWidget;
    canvas_->setObjectName("form");
    canvas_->setAutoFillBackground(true);
    auto* scroll = new QScrollArea;
    scroll->setWidget(canvas_);
    setCentralWidget(scroll);
    canvas_->resize(qt::QtHost::toPixels(formWidth_), qt::QtHost::toPixels(formHeight_));

    auto* file = menuBar()->addMenu("&File");
    file->addAction("&Open...", this, [this] {
        const QString p = QFileDialog::getOpenFileName(this, "Open form", {}, "Forms (*.json)");
        if (p.isEmpty()) return;
        if (auto r = openForm(p); r.isError())
            QMessageBox::warning(this, "Open form", errorText(r.error()));
    });
    if (design_) {
        file->addAction("&Save", this, [this] {
            QString p = path_;
            if (p.isEmpty())
                p = QFileDialog::getSaveFileName(this, "Save form", {}, "Forms (*.json)");
            if (p.isEmpty()) return;
            if (auto r = saveForm(p); r.isError())
                QMessageBox::warning(this, "Save form", errorText(r.error()));
            else
                statusBar()->showMessage("Saved " + p);
        });
        file->addAction("Save &As...", this, [this] {
            const QString p = QFileDialog::getSaveFileName(this, "Save form", {}, "Forms (*.json)");
            if (p.isEmpty()) return;
            if (auto r = saveForm(p); r.isError())
                QMessageBox::warning(this, "Save form", errorText(r.error()));
        });
    }
    file->addAction("&Quit", qApp, &QApplication::quit);

    if (design_) {
        toolbox_ = new QListWidget;
        toolbox_->setObjectName("toolbox");
        buildToolbox();
        auto* dockTools = new QDockWidget("Toolbox", this);
        dockTools->setWidget(toolbox_);
        addDockWidget(Qt::LeftDockWidgetArea, dockTools);
        // A double click places the class below the controls already there.
        connect(toolbox_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
            const auto& info =
                shippedClasses()[static_cast<std::size_t>(item->data(Qt::UserRole).toInt())];
            int bottom = 8;
            for (const auto& c : controls_)
                bottom = std::max(bottom, c.widget->geometry().bottom() + 8);
            if (auto r = addControl(info, QPoint(8, bottom)); r.isError())
                statusBar()->showMessage(errorText(r.error()));
        });

        sheet_ = new QTableWidget(0, 5);
        sheet_->setObjectName("properties");
        sheet_->setHorizontalHeaderLabels({"Member", "Type", "Value", "Refused", "Help"});
        sheet_->verticalHeader()->hide();
        sheet_->horizontalHeader()->setStretchLastSection(true);
        connect(sheet_, &QTableWidget::itemChanged, this, &Studio::sheetEdited);
        auto* dockSheet = new QDockWidget("Properties", this);
        dockSheet->setWidget(sheet_);
        addDockWidget(Qt::RightDockWidgetArea, dockSheet);

        log_ = new QPlainTextEdit;
        log_->setObjectName("events");
        log_->setReadOnly(true);
        log_->setMaximumBlockCount(5000);
        auto* dockLog = new QDockWidget("Events", this);
        dockLog->setWidget(log_);
        addDockWidget(Qt::BottomDockWidgetArea, dockLog);
        // Mouse presses on the form go to the designer before any control sees them.
        qApp->installEventFilter(this);
        auto* bar = addToolBar("Mode");
        auto* designAction = bar->addAction("Design");
        designAction->setObjectName("design");
        designAction->setCheckable(true);
        designAction->setChecked(true);
        designAction->setToolTip("Design the form; unchecked, the form runs");
        connect(designAction, &QAction::toggled, this, &Studio::setDesigning);
    }
    setWindowTitle(qs(caption_));
}

Studio::~Studio() {
    if (design_) qApp->removeEventFilter(this);
    // The controls go before their host.
    clearForm();
}

void Studio::setDesigning(bool on) {
    designing_ = design_ && on;
    drag_ = Drag::None;
    statusBar()->showMessage(designing_ ? "Designing" : "Running");
}

void Studio::buildToolbox() {
    const auto classes = shippedClasses();
    for (std::size_t i = 0; i < classes.size(); ++i) {
        const auto& c = classes[i];
        // A class whose control is not built, or that has no toolbox picture (the private about
        // window), is no tool.
        if (!c.isAvailable() || c.ToolboxBitmap < FirstToolboxBitmap ||
            c.ToolboxBitmap > LastToolboxBitmap)
            continue;
        auto* item = new QListWidgetItem(
            QIcon(toolboxPixmap(c.ToolboxBitmap)),
            QString::fromUtf8(c.Name.data(), static_cast<qsizetype>(c.Name.size())));
        item->setData(Qt::UserRole, static_cast<int>(i));
        item->setToolTip(
            QString::fromUtf8(c.ProgId.data(), static_cast<qsizetype>(c.ProgId.size())));
        toolbox_->addItem(item);
    }
}

void Studio::clearForm() {
    selected_ = nullptr;
    if (sheet_) sheet_->setRowCount(0);
    auto doomed = std::move(controls_);
    controls_.clear();
    for (auto& c : doomed)
        delete c.widget;
}

qt::ControlWidget* Studio::place(std::unique_ptr<qt::ControlWidget> w, Twips left, Twips top) {
    qt::ControlWidget* widget = w.release();
    widget->move(qt::QtHost::toPixels(left), qt::QtHost::toPixels(top));
    widget->show();
    controls_.push_back({widget, left, top});
    connect(widget, &qt::ControlWidget::controlEvent, this,
            [this, widget](const QString& event, const QVariantList& args) {
                logEvent(widget, event, args);
            });
    return widget;
}

ErrorOr<void> Studio::openForm(const QString& path) {
    auto file = TRY(headless::FormFile::fromJson(TRY(headless::readTextFile(path.toStdString()))));
    TRY(loadForm(file));
    path_ = path;
    return {};
}

ErrorOr<void> Studio::loadForm(const headless::FormFile& file) {
    // Every class is found before the form is touched.
    for (const auto& c : file.controls) {
        std::string id = c.classId;
        bool found = id.starts_with('{')
                         ? Guid::tryParse(id) && findByClsid(shippedClasses(), *Guid::tryParse(id))
                         : findByProgId(shippedClasses(), id) ||
                               findByProgId(shippedClasses(), "Tessivra." + id);
        if (!found)
            return Error{errc::ClassNotAvailable, u"no class " + fromUtf8(id) + u" in the library"};
    }
    clearForm();
    caption_ = file.caption;
    formWidth_ = file.width;
    formHeight_ = file.height;
    setWindowTitle(qs(caption_));
    canvas_->resize(qt::QtHost::toPixels(formWidth_), qt::QtHost::toPixels(formHeight_));
    std::optional<Error> first;
    for (const auto& c : file.controls) {
        headless::HeadlessPropertyBag bag = c.bag;
        auto widget = std::make_unique<qt::ControlWidget>(*host_, QString::fromStdString(c.classId),
                                                          canvas_, qs(c.name), &bag);
        if (!widget->isValid()) {
            if (!first) first = widget->lastError();
            continue;
        }
        // A control that loaded only in part stays, as on any form; the failure is reported.
        if (widget->lastError().code != 0 && !first) first = widget->lastError();
        auto* placed = place(std::move(widget), c.left, c.top);
        if (auto r = placed->container()->resize(c.width, c.height); r.isError() && !first)
            first = r.error();
        placed->resize(qt::QtHost::toPixels(placed->container()->width()),
                       qt::QtHost::toPixels(placed->container()->height()));
    }
    if (first) return *first;
    return {};
}

ErrorOr<headless::FormFile> Studio::formFile() {
    headless::FormFile file;
    file.caption = caption_;
    file.width = formWidth_;
    file.height = formHeight_;
    for (const auto& c : controls_) {
        headless::FormControl fc;
        fc.name = u16(c.widget->controlName());
        fc.classId = std::string(c.widget->classInfo()->ProgId);
        fc.left = c.left;
        fc.top = c.top;
        fc.width = c.widget->container()->width();
        fc.height = c.widget->container()->height();
        if (!c.widget->save(fc.bag)) return c.widget->lastError();
        // The form is made big enough for what stands on it, as the runner makes it.
        file.width = std::max(file.width, fc.left + fc.width + 120);
        file.height = std::max(file.height, fc.top + fc.height + 120);
        file.controls.push_back(std::move(fc));
    }
    return file;
}

ErrorOr<void> Studio::saveForm(const QString& path) {
    const auto file = TRY(formFile());
    TRY(headless::writeTextFile(path.toStdString(), file.toJson()));
    path_ = path;
    return {};
}

ErrorOr<void> Studio::screenshot(const QString& path) {
    // The form alone; in design, the whole designer with its panes.
    QPixmap picture = design_ ? grab() : canvas_->grab();
    if (picture.isNull() || !picture.save(path, "PNG"))
        return Error{errc::InvalidProcedureCall, u"cannot write " + u16(path)};
    return {};
}

QString Studio::uniqueName(std::string_view className) const {
    const QString base =
        QString::fromUtf8(className.data(), static_cast<qsizetype>(className.size()));
    for (int n = 1;; ++n) {
        const QString name = base + QString::number(n);
        if (!control(name)) return name;
    }
}

ErrorOr<qt::ControlWidget*> Studio::addControl(const ControlClassInfo& info, QPoint at) {
    auto widget = std::make_unique<qt::ControlWidget>(
        *host_, QString::fromUtf8(info.ProgId.data(), static_cast<qsizetype>(info.ProgId.size())),
        canvas_, uniqueName(info.Name));
    if (!widget->isValid()) return widget->lastError();
    auto* placed =
        place(std::move(widget), qt::QtHost::toTwips(at.x()), qt::QtHost::toTwips(at.y()));
    select(placed);
    return placed;
}

qt::ControlWidget* Studio::control(const QString& name) const {
    for (const auto& c : controls_)
        if (c.widget->controlName().compare(name, Qt::CaseInsensitive) == 0) return c.widget;
    return nullptr;
}

PlacedControl* Studio::placed(qt::ControlWidget* w) {
    for (auto& c : controls_)
        if (c.widget == w) return &c;
    return nullptr;
}

void Studio::moveControl(qt::ControlWidget* w, QPoint topLeft) {
    auto* p = placed(w);
    if (!p) return;
    topLeft.setX(std::max(0, topLeft.x()));
    topLeft.setY(std::max(0, topLeft.y()));
    w->move(topLeft);
    p->left = qt::QtHost::toTwips(topLeft.x());
    p->top = qt::QtHost::toTwips(topLeft.y());
}

void Studio::sizeControl(qt::ControlWidget* w, QSize size) {
    if (!placed(w)) return;
    // The control may keep a size of its own; the widget follows what it kept.
    w->resize(size.expandedTo(QSize(8, 8)));
    if (w == selected_) refreshValues();
}

void Studio::select(qt::ControlWidget* w) {
    selected_ = w;
    fillSheet();
    if (w)
        statusBar()->showMessage(
            w->controlName() + " (" +
            QString::fromUtf8(w->classInfo()->ProgId.data(),
                              static_cast<qsizetype>(w->classInfo()->ProgId.size())) +
            ")");
}

void Studio::fillSheet() {
    if (!sheet_) return;
    filling_ = true;
    sheet_->setRowCount(0);
    if (selected_ && selected_->classInfo() && selected_->classInfo()->Class) {
        const auto& members = selected_->classInfo()->Class->members;
        sheet_->setRowCount(static_cast<int>(members.size()));
        int row = 0;
        for (const auto& m : members) {
            auto fixed = [](const QString& text) {
                auto* item = new QTableWidgetItem(text);
                item->setFlags(item->flags() & ~Qt::ItemIsEditable);
                return item;
            };
            sheet_->setItem(row, MemberColumn, fixed(qs(m.name)));
            sheet_->setItem(row, TypeColumn, fixed(memberType(m)));
            auto* value = new QTableWidgetItem;
            const bool editable = (m.access & access::Let) && m.type != MemberType::Font &&
                                  m.type != MemberType::Picture;
            if (!editable) value->setFlags(value->flags() & ~Qt::ItemIsEditable);
            sheet_->setItem(row, ValueColumn, value);
            sheet_->setItem(row, RefusedColumn, fixed({}));
            sheet_->setItem(row, HelpColumn, fixed(qs(m.doc)));
            ++row;
        }
    }
    filling_ = false;
    refreshValues();
}

void Studio::refreshValues() {
    if (!sheet_ || !selected_ || !selected_->classInfo()->Class) return;
    filling_ = true;
    const auto& members = selected_->classInfo()->Class->members;
    int row = 0;
    for (const auto& m : members) {
        QString text;
        if ((m.access & access::Get) && !(m.access & access::Call)) {
            auto v = selected_->get(m.name);
            text = v.isError() ? "(" + errorText(v.error()) + ")" : shown(v.value());
        }
        if (auto* item = sheet_->item(row, ValueColumn)) item->setText(text);
        ++row;
    }
    filling_ = false;
}

QString Studio::editProperty(const QString& property, const QString& text) {
    if (!selected_) return "no control is selected";
    QString refused;
    if (!selected_->setValue(property, text)) refused = selected_->errorString();
    // Every value is shown as the control now holds it: a refused one as it was.
    refreshValues();
    if (sheet_) {
        filling_ = true;
        for (int row = 0; row < sheet_->rowCount(); ++row)
            if (sheet_->item(row, MemberColumn)->text().compare(property, Qt::CaseInsensitive) == 0)
                sheet_->item(row, RefusedColumn)->setText(refused);
        filling_ = false;
    }
    return refused;
}

void Studio::sheetEdited(QTableWidgetItem* item) {
    if (filling_ || item->column() != ValueColumn) return;
    const QString property = sheet_->item(item->row(), MemberColumn)->text();
    // Deferred: the edit is taken after the table has finished with its item.
    QTimer::singleShot(0, this,
                       [this, property, text = item->text()] { editProperty(property, text); });
}

void Studio::logEvent(qt::ControlWidget* w, const QString& event, const QVariantList& args) {
    if (!log_) return;
    QString line = w->controlName() + " " + event;
    const EventInfo* info = nullptr;
    if (w->classInfo()->Class)
        for (const auto& e : w->classInfo()->Class->events)
            if (qs(e.name) == event) info = &e;
    for (int i = 0; i < args.size(); ++i) {
        line += ' ';
        if (info && static_cast<std::size_t>(i) < info->params.size())
            line += qs(info->params[static_cast<std::size_t>(i)].name) + '=';
        line += args[i].toString();
    }
    log_->appendPlainText(line);
}

qt::ControlWidget* Studio::controlAt(QObject* o) const {
    for (auto* w = qobject_cast<QWidget*>(o); w; w = w->parentWidget()) {
        if (w == canvas_) return nullptr;
        if (auto* c = qobject_cast<qt::ControlWidget*>(w))
            if (c->parentWidget() == canvas_) return c;
    }
    return nullptr;
}

bool Studio::eventFilter(QObject* o, QEvent* e) {
    if (!designing_) return false;
    const auto type = e->type();
    const bool mouse = type == QEvent::MouseButtonPress || type == QEvent::MouseMove ||
                       type == QEvent::MouseButtonRelease || type == QEvent::MouseButtonDblClick;
    const bool keys = type == QEvent::KeyPress || type == QEvent::KeyRelease;
    if (!mouse && !keys) return false;
    qt::ControlWidget* c = controlAt(o);
    if (o == canvas_ && type == QEvent::MouseButtonPress) {
        // A click on the empty form places the class chosen in the toolbox, or deselects.
        auto* me = static_cast<QMouseEvent*>(e);
        if (auto* item = toolbox_->currentItem(); item && item->isSelected()) {
            const auto& info =
                shippedClasses()[static_cast<std::size_t>(item->data(Qt::UserRole).toInt())];
            if (auto r = addControl(info, me->position().toPoint()); r.isError())
                statusBar()->showMessage(errorText(r.error()));
            toolbox_->clearSelection();
        } else
            select(nullptr);
        return true;
    }
    if (!c) return false;
    // On the form in design, the controls are moved and sized, not used: neither mouse nor keys
    // reach them.
    if (keys) return true;
    auto* me = static_cast<QMouseEvent*>(e);
    const QPoint global = me->globalPosition().toPoint();
    if (type == QEvent::MouseButtonPress && me->button() == Qt::LeftButton) {
        select(c);
        const QPoint local = c->mapFromGlobal(global);
        drag_ =
            (local.x() >= c->width() - 8 && local.y() >= c->height() - 8) ? Drag::Size : Drag::Move;
        dragStart_ = global;
        dragFrom_ = c->geometry();
    } else if (type == QEvent::MouseMove && drag_ != Drag::None && c == selected_) {
        const QPoint d = global - dragStart_;
        if (drag_ == Drag::Move)
            moveControl(c, dragFrom_.topLeft() + d);
        else
            sizeControl(c, dragFrom_.size() + QSize(d.x(), d.y()));
    } else if (type == QEvent::MouseButtonRelease) {
        drag_ = Drag::None;
    }
    return true;
}

int studioMain(int argc, char** argv) {
    bool design = false;
    QString screenshotPath, formPath;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::cout
                << "usage: tessivra-studio [--design] [--screenshot FILE.png] [FORM]\n\n"
                   "Opens a form file and runs it on the desktop.\n\n"
                   "options:\n"
                   "  --design             the toolbox, the property sheet, the event log\n"
                   "                       and saving the form\n"
                   "  --screenshot FILE    draws the form (with --design, the designer) into a\n"
                   "                       PNG file offscreen and exits\n"
                   "  --help, -h           prints this text\n";
            return 0;
        }
        if (a == "--design")
            design = true;
        else if (a == "--screenshot") {
            if (i + 1 == argc) {
                std::cerr << "tessivra-studio: --screenshot needs a file\n";
                return 2;
            }
            screenshotPath = QString::fromLocal8Bit(argv[++i]);
        } else if (a.size() > 1 && a[0] == '-') {
            std::cerr << "tessivra-studio: unknown option " << a << "\n";
            return 2;
        } else if (!formPath.isEmpty()) {
            std::cerr << "tessivra-studio: one form at a time\n";
            return 2;
        } else
            formPath = QString::fromLocal8Bit(argv[i]);
    }
    // A screenshot needs no screen.
    if (!screenshotPath.isEmpty() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qt::HostSettings settings;
    if (!screenshotPath.isEmpty()) {
        // The same picture every time: the clock stands at 10:30.
        settings.manualTime = true;
    }
    Studio studio(design, settings);
    if (!screenshotPath.isEmpty()) studio.host().setClock((10 * 60 + 30) * 60 * 1000);
    if (!formPath.isEmpty()) {
        if (auto r = studio.openForm(formPath); r.isError()) {
            std::cerr << "tessivra-studio: " << formPath.toStdString() << ": "
                      << toUtf8(r.error().description) << "\n";
            if (!screenshotPath.isEmpty() || studio.controls().empty()) return 1;
        }
    }
    // The designer opens with the first control selected, its properties in the sheet.
    if (design && !studio.controls().empty()) studio.select(studio.controls().front().widget);
    // The clock's first tick, so that it shows the time it stands at.
    if (!screenshotPath.isEmpty()) (void)studio.host().advance(1000);
    studio.resize(design ? 1100 : studio.canvas()->width() + 40,
                  design ? 700 : studio.canvas()->height() + 60);
    studio.show();
    if (!screenshotPath.isEmpty()) {
        QApplication::processEvents();
        if (auto r = studio.screenshot(screenshotPath); r.isError()) {
            std::cerr << "tessivra-studio: " << toUtf8(r.error().description) << "\n";
            return 1;
        }
        std::cout << "tessivra-studio: wrote " << screenshotPath.toStdString() << "\n";
        return 0;
    }
    return app.exec();
}

} // namespace tessivra::studio
