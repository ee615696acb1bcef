#pragma once

#include <QGroupBox>

#include <functional>

#include "tools/FileConversions.h"

class QLineEdit;

namespace viz {

class CConversionRunner;

// The small tools page's "Hex/Bin" group: three rows, each a chosen file and
// a conversion of it (binary to C text, HEX to C text, HEX to binary), run
// off the UI thread with a progress window for long files.
class CHexBinGroup : public QGroupBox {
    Q_OBJECT

public:
    // Given the dialog's filter, returns the chosen path, empty after cancel.
    using FileChooser = std::function<QString(const QString& filter)>;

    explicit CHexBinGroup(QWidget* parent);

    void setFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }
    CConversionRunner* runner() const { return runner_; }

private:
    struct Row {
        QLineEdit* pathBox = nullptr;
        QString path;
    };

    void AddRow(int index, const char16_t* label, const char16_t* choose, const char16_t* chooseTip,
                const char16_t* action, const char16_t* actionTip, const char16_t* filter,
                const std::function<void(const QString&)>& convert);
    void Run(std::function<ConversionOutcome(ConversionProgress&)> convert);
    void ConvertHex(const QString& path, bool toBinary);

    Row rows_[3];
    CConversionRunner* runner_;
    FileChooser chooser_;
};

}  // namespace viz
