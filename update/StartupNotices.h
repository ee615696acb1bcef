#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>

#include "update/StartupChecks.h"

namespace viz {

// Shows what the start-up threads find: the newer-version message over the
// main window and the notices in its title, both on the user-interface
// thread. Destroying it ends the threads before it returns.
class CStartupNotices : public QObject {
    Q_OBJECT

public:
    CStartupNotices(QWidget* mainWindow, UpdateServers servers, StartupTiming timing = {});
    ~CStartupNotices() override;

private:
    void ShowNewVersion();

    QPointer<QWidget> window_;
    std::unique_ptr<StartupChecks> checks_;
};

}  // namespace viz
