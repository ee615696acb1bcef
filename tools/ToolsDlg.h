#pragma once

#include <array>
#include <cstdint>

#include "base/Page.h"

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace viz {

class CGlyphPreview;
class CHexBinGroup;
class CSegmentButton;

// The small tools page: an 8-bit base converter, a seven-segment code
// builder, a 16 x 16 font matrix generator and the "Hex/Bin" conversions.
// Enter does nothing anywhere on the page.
class CToolsDlg : public CPage {
    Q_OBJECT

public:
    CToolsDlg(PageContext& context, QWidget* parent);

    CHexBinGroup* hexBin() const { return hexBin_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* CreateConverter();
    QWidget* CreateSegments();
    QWidget* CreateFontMatrix();

    // Every converter box but `source`, which keeps the text the user typed.
    void ShowValue(const QLineEdit* source = nullptr);
    void ConvertBinary();
    void ConvertDecimal();
    void ConvertHex();
    void ToggleSegment(CSegmentButton* button);
    void GenerateGlyph();

    std::uint8_t value_ = 0;
    std::uint8_t segments_ = 0;
    std::array<QCheckBox*, 8> bits_{};  // bit 7 first
    QLineEdit* binary_ = nullptr;
    QLineEdit* decimal_ = nullptr;
    QLineEdit* hex_ = nullptr;
    QLineEdit* anode_ = nullptr;
    QLineEdit* cathode_ = nullptr;
    QLineEdit* fontInput_ = nullptr;
    CGlyphPreview* preview_ = nullptr;
    QPlainTextEdit* fontOutput_ = nullptr;
    CHexBinGroup* hexBin_ = nullptr;
};

}  // namespace viz
