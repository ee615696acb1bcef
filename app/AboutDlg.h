#pragma once

#include <QDialog>

namespace viz {

// "关于 Vizuruv": the program icon, the product line, the licence and an OK button.
class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace viz
