#pragma once

#include <QPointer>
#include <QWidget>

#include "base/ExtraSerialPorts.h"
#include "base/SettingsStore.h"

namespace viz {

// What every page is given: the one settings store, the serial ports that
// parts of the program offer (a simulated board's UART), the main window (to
// place windows beside it) and the record viewer the main window keeps docked.
class PageContext {
public:
    explicit PageContext(SettingsStore& settings) : settings_(settings) {}

    SettingsStore& settings() { return settings_; }
    ExtraSerialPorts& extraSerialPorts() { return extraSerialPorts_; }

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
    QPointer<QWidget> mainWindow_;
    QPointer<QWidget> recordViewer_;
};

}  // namespace viz
