#pragma once

#include <functional>

#include "base/Page.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace viz {

class CConversionRunner;

// The bitmap to C array page: choose a .bmp picture, convert it to a C
// header beside it, and see the header's beginning in the status box.
class CBmp2HexDlg : public CPage {
    Q_OBJECT

public:
    // Returns the chosen path, empty after cancel.
    using FileChooser = std::function<QString()>;

    CBmp2HexDlg(PageContext& context, QWidget* parent);

    // Replaces the open-file dialog (tests).
    void setFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }
    bool converting() const;
    CConversionRunner* runner() const { return runner_; }

private:
    void ChooseFile();
    void Generate();

    QString path_;
    QLineEdit* pathBox_;
    QPlainTextEdit* status_;
    QPushButton* choose_;
    QPushButton* generate_;
    CConversionRunner* runner_;
    FileChooser chooser_;
};

}  // namespace viz
