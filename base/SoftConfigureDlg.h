#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;

namespace viz {

class SettingsStore;

// "软件配置": switches the automatic update check and restores the defaults.
// Both take effect at the next start.
class CSoftConfigureDlg : public QDialog {
    Q_OBJECT

public:
    CSoftConfigureDlg(SettingsStore& settings, QWidget* parent = nullptr);

private:
    void Configure();
    void Restore();

    SettingsStore& settings_;
    QCheckBox* autoCheck_;
    QLabel* status_;
};

}  // namespace viz
