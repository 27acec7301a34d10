#pragma once
// Stands in for the desktop's opener in tests: QDesktopServices hands it every address of its
// scheme instead of starting a browser.

#include <QList>
#include <QObject>
#include <QUrl>

namespace tessivra::testing {

class UrlCatcher final : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.push_back(url); }
};

} // namespace tessivra::testing
