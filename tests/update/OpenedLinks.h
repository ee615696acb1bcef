#pragma once

#include <QDesktopServices>
#include <QObject>
#include <QStringList>
#include <QUrl>

namespace viz::testing {

// Takes the links the page opens instead of the desktop.
class OpenedLinks : public QObject {
    Q_OBJECT

public:
    OpenedLinks() {
        QDesktopServices::setUrlHandler("http", this, "Open");
        QDesktopServices::setUrlHandler("https", this, "Open");
    }
    ~OpenedLinks() override {
        QDesktopServices::unsetUrlHandler("http");
        QDesktopServices::unsetUrlHandler("https");
    }
    QStringList urls;

public slots:
    void Open(const QUrl& url) { urls.append(url.toString()); }
};

}  // namespace viz::testing
