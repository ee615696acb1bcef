#pragma once

#include <QPointer>
#include <QWidget>

#include <chrono>

#include "base/DownloadPorts.h"
#include "base/ExtraSerialPorts.h"
#include "base/SettingsStore.h"

namespace viz {

// What every page is given: the one settings store, the start-up decision
// about automatic update, the serial ports that parts of the program offer
// (a simulated board's UART), the main window (to place windows beside it)
// and the record viewer the main window keeps docked.
class PageContext {
public:
    explicit PageContext(SettingsStore& settings) : settings_(settings) {}

    SettingsStore& settings() { return settings_; }
    ExtraSerialPorts& extraSerialPorts() { return extraSerialPorts_; }
    // Ports a download tool is using: not to be opened meanwhile.
    DownloadPorts& downloadPorts() { return downloadPorts_; }

    // Whether this run asks the update servers at start: decided once by the
    // shell from the settings, before it builds the pages, so every start-up
    // fetch follows the same decision (a changed setting counts next start).
    bool automaticUpdate() const { return automaticUpdate_; }
    void setAutomaticUpdate(bool on) { automaticUpdate_ = on; }
    // How long after start the update page fetches its information text.
    std::chrono::milliseconds updateInfoDelay() const { return updateInfoDelay_; }
    void setUpdateInfoDelay(std::chrono::milliseconds delay) { updateInfoDelay_ = delay; }

    QWidget* mainWindow() const { return mainWindow_; }
    void setMainWindow(QWidget* window) { mainWindow_ = window; }

    QWidget* recordViewer() const { return recordViewer_; }
    // The viewer is placed against the main window's right edge at once and
    // follows it whenever the main window moves or resizes.
    void setRecordViewer(QWidget* viewer);
    void DockRecordViewer();

private:
    SettingsStore& settings_;
    ExtraSerialPorts extraSerialPorts_;
    DownloadPorts downloadPorts_;
    bool automaticUpdate_ = false;
    std::chrono::milliseconds updateInfoDelay_{7000};
    QPointer<QWidget> mainWindow_;
    QPointer<QWidget> recordViewer_;
};

}  // namespace viz
