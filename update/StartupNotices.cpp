#include "update/StartupNotices.h"

#include <QCoreApplication>
#include <QMessageBox>

#include "base/MakerInfo.h"
#include "update/UpdateTexts.h"

namespace viz {

namespace t = texts::update;

CStartupNotices::CStartupNotices(QWidget* mainWindow, UpdateServers servers, StartupTiming timing)
    : window_(mainWindow) {
    StartupEvents events;
    // The threads only post; `this` outlives them because the destructor
    // ends them first.
    events.newVersion = [this] {
        QMetaObject::invokeMethod(
            this, [this] { ShowNewVersion(); }, Qt::QueuedConnection);
    };
    events.title = [this](const std::u16string& title) {
        QMetaObject::invokeMethod(
            this,
            [this, text = QString::fromStdU16String(title)] {
                if (window_) window_->setWindowTitle(text);
            },
            Qt::QueuedConnection);
    };
    checks_ = std::make_unique<StartupChecks>(std::move(servers), std::move(events), timing);
}

CStartupNotices::~CStartupNotices() {
    checks_.reset();
}

void CStartupNotices::ShowNewVersion() {
    const QString text = QString::fromUtf8(t::kNewVersionBefore) + QString::fromUtf8(maker::kWebSite) +
                         QString::fromUtf8(t::kNewVersionAfter);
    auto* box = new QMessageBox(QMessageBox::NoIcon, QCoreApplication::applicationName(), text,
                                QMessageBox::Ok, window_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

}  // namespace viz
