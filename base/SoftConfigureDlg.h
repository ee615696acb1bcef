#pragma once

#include <QDialog>

class QCheckBox;
class QLayout;
class QSpinBox;

namespace viz {

class CStatusLabel;
class SettingsStore;

// "软件配置": switches the automatic update check and restores the defaults.
// Both take effect at the next start. It also sets how many lines the
// receive areas keep ("接收区保留行数"), which takes effect at once.
class CSoftConfigureDlg : public QDialog {
    Q_OBJECT

public:
    CSoftConfigureDlg(SettingsStore& settings, QWidget* parent = nullptr);

private:
    void Configure();
    void Restore();
    QLayout* CreateKeptLinesRow();

    SettingsStore& settings_;
    QCheckBox* autoCheck_;
    CStatusLabel* status_;
    QSpinBox* keptLines_ = nullptr;
};

}  // namespace viz
