#pragma once

#include <QDialog>

class QCheckBox;

namespace viz {

class CStatusLabel;
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
    CStatusLabel* status_;
};

}  // namespace viz
