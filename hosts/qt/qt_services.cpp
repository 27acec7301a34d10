// The runtime's desktop services (message boxes, send keys, the clock), the shell, the picture
// and font objects, and the code page a locale implies.

#include "framework/host/picture_files.h"
#include "framework/registry/resources.h"
#include "hosts/qt/qt_parts.h"

#include <QApplication>
#include <QBuffer>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QImage>
#include <QImageReader>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTime>
#include <QUrl>

#include <cmath>

namespace tessivra::qt {

// ---- the code page of a locale --------------------------------------------------------------

std::string ansiCodePageFor(std::string_view tag) {
    // The language is what decides, but for the few whose script varies by region.
    std::string t(tag);
    for (auto& c : t)
        if (c == '_') c = '-';
    const std::string lang = t.substr(0, t.find('-'));
    const bool cyrillic = t.find("Cyrl") != std::string::npos;
    struct Row {
        const char* languages;
        const char* codePage;
    };
    static const Row rows[] = {
        {" pl cs sk hu sl hr ro sq bs ", "windows-1250"},
        {" ru uk be bg mk kk ky tt mn ba sah ", "windows-1251"},
        {" el ", "windows-1253"},
        {" tr az uz ", "windows-1254"},
        {" he yi ", "windows-1255"},
        {" ar fa ur ps ", "windows-1256"},
        {" et lv lt ", "windows-1257"},
        {" vi ", "windows-1258"},
        {" th ", "windows-874"},
    };
    if ((lang == "sr" || lang == "az" || lang == "uz") && cyrillic) return "windows-1251";
    if (lang == "sr") return "windows-1250";
    const std::string key = " " + lang + " ";
    for (const auto& r : rows)
        if (std::string_view(r.languages).find(key) != std::string_view::npos) return r.codePage;
    return "windows-1252";
}

// ---- runtime --------------------------------------------------------------------------------

QtRuntime::QtRuntime(QtHostImpl& host, icuruntime::TextSettings s)
    : TextRuntime(std::move(s)), host_(host) {}

ErrorOr<std::int32_t> QtRuntime::MsgBox(std::u16string_view prompt, std::int32_t style,
                                        std::u16string_view title) {
    // A carriage return breaks the line, alone or before a line feed.
    QString text = toQ(prompt);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar(u'\r'), QChar(u'\n'));
    const auto icon = (style & 0x70) == 16   ? QMessageBox::Critical
                      : (style & 0x70) == 32 ? QMessageBox::Question
                      : (style & 0x70) == 48 ? QMessageBox::Warning
                      : (style & 0x70) == 64 ? QMessageBox::Information
                                             : QMessageBox::NoIcon;
    QWidget* parent = QApplication::activeWindow();
    QMessageBox box(icon, toQ(title), text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    if (host_.observer) host_.observer->messageBoxShown(box, prompt, style, title);
    // The event loop runs inside: the user may move the focus meanwhile, timers tick, and the
    // control's own handlers may run again.
    box.exec();
    // The window the box stood over is active again before the caller goes on, so that a
    // focus request it makes next is a real move of the focus (an inactive window only
    // remembers it, and tells of it as an activation). Activation is asynchronous on some
    // platforms; the wait is bounded.
    if (parent) {
        parent->activateWindow();
        QElapsedTimer waited;
        waited.start();
        while (!parent->isActiveWindow() && waited.elapsed() < 200)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return msgbox::OK;
}

void QtRuntime::deliver(const std::u16string& keys) {
    auto send = [](QWidget* to, int key, const QString& text) {
        if (!to) return;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(to, &press);
        QWidget* now = QApplication::focusWidget();
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        if (now) QCoreApplication::sendEvent(now, &release);
    };
    for (std::size_t i = 0; i < keys.size();) {
        const auto rest = std::u16string_view(keys).substr(i);
        QWidget* focus = QApplication::focusWidget();
        if (rest.size() >= 5 && (rest.substr(0, 5) == u"{tab}" || rest.substr(0, 5) == u"{TAB}")) {
            // The window's own focus traversal, as its Tab key makes it.
            send(focus, Qt::Key_Tab, QStringLiteral("\t"));
            i += 5;
        } else if (rest.substr(0, 7) == u"{enter}" || rest.substr(0, 7) == u"{ENTER}" ||
                   rest[0] == u'~') {
            send(focus, Qt::Key_Return, QStringLiteral("\r"));
            i += rest[0] == u'~' ? 1 : 7;
        } else {
            const QChar c(rest[0]);
            const int key = c.isLetter() && c.toUpper().unicode() < 128 ? c.toUpper().unicode()
                            : c.unicode() < 128 ? static_cast<int>(c.unicode())
                                                : static_cast<int>(Qt::Key_unknown);
            send(focus, key, QString(c));
            ++i;
        }
    }
}

ErrorOr<void> QtRuntime::SendKeys(std::u16string_view keys, const Value&) {
    if (host_.observer) host_.observer->keysSent(keys);
    // Delivered from the event loop, after the handler in progress has returned.
    QMetaObject::invokeMethod(
        qApp, [this, k = std::u16string(keys)] { deliver(k); }, Qt::QueuedConnection);
    return {};
}

ErrorOr<TimeOfDay> QtRuntime::Time() {
    if (host_.settings.manualTime)
        return TimeOfDay{static_cast<std::int32_t>((host_.clockMs / 1000) % 86400)};
    return TimeOfDay{QTime::currentTime().msecsSinceStartOfDay() / 1000};
}

ErrorOr<std::u16string> QtRuntime::AppPath() {
    return host_.settings.appPath;
}

// ---- shell ----------------------------------------------------------------------------------

ErrorOr<std::int32_t> QtShell::ShellExecuteA(std::int32_t hwnd, std::string_view operation,
                                             std::string_view file, std::string_view parameters,
                                             std::string_view directory, std::int32_t showCommand) {
    if (auto* o = host_.observer) {
        std::int32_t result = 0;
        if (o->shellRequest(hwnd, operation, file, parameters, directory, showCommand, result))
            return result;
    }
    // The texts are in the code page; the desktop's opener takes UTF-8 (QUrl's own).
    auto& text = host_.runtime.text();
    std::u16string target;
    for (char b : file) {
        auto c = text.fromCodePage(static_cast<std::uint8_t>(b));
        target.push_back(c ? *c : u'?');
    }
    const std::string op(operation);
    if (!op.empty() && op != "open" && op != "Open") return 31; // no association for the verb
    const QUrl url = QUrl::fromUserInput(toQ(target), toQ(std::u16string()));
    if (!url.isValid()) return 2; // file not found
    // Above 32 means it was opened.
    return QDesktopServices::openUrl(url) ? 42 : 31;
}

// ---- pictures and fonts ---------------------------------------------------------------------

namespace {

Error invalid(std::u16string_view why) {
    return invalidPicture(why);
}
QByteArray bytesOf(std::span<const std::uint8_t> b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
}

ErrorOr<std::shared_ptr<QtPicture>> decode(const QByteArray& data, const char* format,
                                           std::int16_t type) {
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    QImage image = reader.read();
    if (image.isNull()) return invalid(fromQ(reader.errorString()));
    auto p = std::make_shared<QtPicture>();
    p->type = type;
    p->pixmap = QPixmap::fromImage(image);
    p->widthPixels = image.width();
    p->heightPixels = image.height();
    return p;
}

} // namespace

ErrorOr<std::shared_ptr<QtPicture>> decodeBitmapResource(std::span<const std::uint8_t> b) {
    // A resource holds the bitmap without its 14-byte file header; the header is written
    // back so that the reader finds the pixels where the colour table ends.
    if (b.size() < 16) return invalid(u"the bitmap header is cut short");
    const std::uint32_t headerSize = le32(b, 0);
    if (headerSize != 12 && headerSize < 40)
        return invalid(u"the bitmap header is of no known size");
    if (b.size() < headerSize) return invalid(u"the bitmap header is cut short");
    std::uint32_t bitCount = 0, colours = 0, masks = 0, entry = 4;
    if (headerSize == 12) {
        bitCount = le16(b, 10);
        entry = 3;
    } else {
        bitCount = le16(b, 14);
        colours = le32(b, 32);
        if (le32(b, 16) == 3 && headerSize == 40) masks = 12; // BI_BITFIELDS
    }
    if (bitCount <= 8 && colours == 0) colours = 1u << bitCount;
    if (colours > 256) return invalid(u"the colour table is too large");
    const std::uint64_t offset =
        14 + headerSize + masks + static_cast<std::uint64_t>(colours) * entry;
    if (offset > 14 + b.size()) return invalid(u"the colour table is cut short");
    QByteArray file(14, '\0');
    const auto size = static_cast<std::uint32_t>(14 + b.size());
    const std::uint8_t header[14] = {'B',
                                     'M',
                                     static_cast<std::uint8_t>(size),
                                     static_cast<std::uint8_t>(size >> 8),
                                     static_cast<std::uint8_t>(size >> 16),
                                     static_cast<std::uint8_t>(size >> 24),
                                     0,
                                     0,
                                     0,
                                     0,
                                     static_cast<std::uint8_t>(offset),
                                     static_cast<std::uint8_t>(offset >> 8),
                                     static_cast<std::uint8_t>(offset >> 16),
                                     static_cast<std::uint8_t>(offset >> 24)};
    for (int i = 0; i < 14; ++i)
        file[i] = static_cast<char>(header[i]);
    file.append(bytesOf(b));
    return decode(file, "BMP", picturetype::Bitmap);
}

ErrorOr<std::shared_ptr<QtPicture>> decodeIconFile(std::span<const std::uint8_t> b,
                                                   ResourceKind kind) {
    // The directory is checked against the bytes before Qt's reader sees them.
    TRY(readIconFile(b, kind));
    // Qt's reader takes cursors as icons; the hotspot is the cursor file's own.
    QByteArray data = bytesOf(b);
    if (kind == ResourceKind::Cursor) data[2] = 1;
    auto p = TRY(decode(data, "ICO", picturetype::Icon));
    if (kind == ResourceKind::Cursor)
        p->hotspot = QPoint(static_cast<int>(le16(b, 10)), static_cast<int>(le16(b, 12)));
    return p;
}

ErrorOr<std::shared_ptr<QtPicture>> decodePictureFile(std::span<const std::uint8_t> b) {
    if (b.size() >= 2 && b[0] == 'B' && b[1] == 'M') {
        if (b.size() < 14) return invalid(u"the bitmap file header is cut short");
        return decodeBitmapResource(b.subspan(14));
    }
    if (b.size() >= 4 && le16(b, 0) == 0 && le16(b, 2) == 1)
        return decodeIconFile(b, ResourceKind::Icon);
    if (b.size() >= 4 && le16(b, 0) == 0 && le16(b, 2) == 2)
        return decodeIconFile(b, ResourceKind::Cursor);
    return invalid(u"not a bitmap, icon or cursor file");
}

ErrorOr<PictureRef> QtObjects::LoadResPicture(std::int32_t id, ResourceKind kind) {
    const auto resource = pictureResource(id, kind);
    if (!resource)
        return Error{errc::ResourceNotFound,
                     u"Resource with identifier " + fromUtf8(std::to_string(id)) + u" not found"};
    auto p = TRY(kind == ResourceKind::Bitmap ? decodeBitmapResource(resource->bytes)
                                              : decodeIconFile(resource->bytes, kind));
    p->name = resource->name;
    return PictureRef(std::move(p));
}

ErrorOr<PictureRef> QtObjects::LoadPicture(std::span<const std::uint8_t> bytes) {
    return PictureRef(TRY(decodePictureFile(bytes)));
}

ErrorOr<FontRef> QtObjects::NewFont(const FontDescription& d) {
    return newCheckedFont(d);
}

} // namespace tessivra::qt
