#pragma once

#include <QDialog>

class QCheckBox;
class QLayout;
class QLineEdit;

namespace viz {

class CStatusLabel;
class SettingsStore;

// "软件配置": switches the automatic update check, sets how many samples a
// plot window keeps, and restores the defaults. All take effect at the next
// start (a plot window reads its size when it is first opened), except how
// many lines the receive areas keep ("接收区保留行数"), which takes effect at once.
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
    QLineEdit* plotSamples_;
    CStatusLabel* status_;
    QLineEdit* keptLines_ = nullptr;
};

}  // namespace viz
