#pragma once

#include <array>

#include "base/Page.h"
#include "tools/Checksums.h"

class QGroupBox;
class QLineEdit;
class QPlainTextEdit;

namespace viz {

// The checksum page: eleven check values of typed hex or text data at once.
class CCheck : public CPage {
    Q_OBJECT

public:
    CCheck(PageContext& context, QWidget* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* CreateCommonGroup();
    QWidget* CreateCrcGroup();
    QLineEdit* CreateResultBox();
    void AddModeSwitchKey();
    void ToggleInputMode();
    void Compute(bool complemented);

    CheckInputMode mode_ = CheckInputMode::Hex;
    Crc16Kind crc16Kind_ = Crc16Kind::Poly8005;
    QGroupBox* inputGroup_;
    QPlainTextEdit* input_;
    std::array<QLineEdit*, kCheckItemCount> results_{};
};

}  // namespace viz
