#include "tools/ToolsDlg.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "base/QtText.h"
#include "base/TextFormat.h"
#include "tools/FontMatrix.h"
#include "tools/GlyphPreview.h"
#include "tools/HexBinGroup.h"
#include "tools/SegmentButton.h"
#include "tools/SmallTools.h"
#include "tools/ToolsTexts.h"

namespace viz {
namespace {

namespace t = texts::tools;

QString Text(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

QLineEdit* Box(int maxLength, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setMaxLength(maxLength);
    return box;
}

QPlainTextEdit* ReadOnlyText(const char16_t* name, QWidget* parent) {
    auto* box = new QPlainTextEdit(parent);
    box->setReadOnly(true);
    box->setTabChangesFocus(true);
    box->setAccessibleName(Text(name));
    return box;
}

void Warn(QWidget* parent, const char16_t* message) {
    QMessageBox::warning(parent, QCoreApplication::applicationName(), Text(message));
}

}  // namespace

CToolsDlg::CToolsDlg(PageContext& context, QWidget* parent) : CPage(context, parent) {
    hexBin_ = new CHexBinGroup(this);
    auto* grid = new QGridLayout(this);
    grid->addWidget(CreateConverter(), 0, 0);
    grid->addWidget(CreateSegments(), 0, 1);
    grid->addWidget(hexBin_, 1, 0);
    grid->addWidget(CreateFontMatrix(), 1, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    ShowValue();
    // Enter must never trigger anything here, whichever control has the focus.
    for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
}

QWidget* CToolsDlg::CreateConverter() {
    auto* group = new QGroupBox(Text(t::kConverterGroup), this);
    auto* grid = new QGridLayout(group);
    // The boxes stand over the digits of one label "7  6  5  4  3  2  1  0":
    // each box as wide as a digit and its two blanks, the label shifted so
    // each digit sits under the middle of its box's indicator.
    auto* digits = new QLabel(Text(t::kBitLabels), group);
    const QFontMetrics metrics(digits->font());
    const int pitch = metrics.horizontalAdvance(QStringLiteral("0  "));
    const int indicator = style()->pixelMetric(QStyle::PM_IndicatorWidth);
    auto* bitRow = new QHBoxLayout;
    bitRow->setSpacing(0);
    for (int i = 0; i < 8; ++i) {
        auto* box = new QCheckBox(group);
        box->setFixedWidth(pitch);
        const int bit = 7 - i;
        box->setAccessibleName(Text(FormatCounts(t::kBitName, {bit})));
        connect(box, &QCheckBox::clicked, this, [this, bit](bool checked) {
            value_ = static_cast<std::uint8_t>(checked ? value_ | 1u << bit : value_ & ~(1u << bit));
            ShowValue();
        });
        bits_[static_cast<std::size_t>(i)] = box;
        bitRow->addWidget(box);
    }
    bitRow->addStretch();
    digits->setContentsMargins((indicator - metrics.horizontalAdvance(QChar(u'0'))) / 2, 0, 0, 0);
    grid->addLayout(bitRow, 0, 1);
    grid->addWidget(digits, 1, 1);

    binary_ = Box(8, group);
    decimal_ = Box(3, group);
    hex_ = Box(2, group);
    const std::array<std::tuple<const char16_t*, QLineEdit*, const char16_t*, void (CToolsDlg::*)()>, 3> rows{
        {
            {t::kBinary, binary_, t::kConvertBinaryName, &CToolsDlg::ConvertBinary},
            {t::kDecimal, decimal_, t::kConvertDecimalName, &CToolsDlg::ConvertDecimal},
            {t::kHex, hex_, t::kConvertHexName, &CToolsDlg::ConvertHex},
        }};
    int line = 2;
    for (const auto& [caption, box, name, convert] : rows) {
        auto* label = new QLabel(Text(caption), group);
        label->setBuddy(box);
        auto* button = new QPushButton(Text(t::kConvertButton), group);
        button->setToolTip(Text(t::kConvertTip));
        button->setAccessibleName(Text(name));
        connect(button, &QPushButton::clicked, this, convert);
        grid->addWidget(label, line, 0);
        grid->addWidget(box, line, 1);
        grid->addWidget(button, line, 2);
        ++line;
    }
    grid->setRowStretch(line, 1);
    return group;
}

QWidget* CToolsDlg::CreateSegments() {
    auto* group = new QGroupBox(Text(t::kSegmentGroup), this);
    auto* digit = new QGridLayout;
    digit->setSpacing(1);
    // Row and column of each segment in a digit drawn on a 5 x 4 grid.
    const std::array<std::pair<int, int>, 8> places{
        {{0, 1}, {1, 2}, {3, 2}, {4, 1}, {3, 0}, {1, 0}, {2, 1}, {4, 3}}};
    for (Segment segment : kSegments) {
        auto* button = new CSegmentButton(segment, group);
        connect(button, &CSegmentButton::clicked, this, [this, button] { ToggleSegment(button); });
        const auto [row, column] = places[static_cast<std::size_t>(segment)];
        digit->addWidget(button, row, column, Qt::AlignCenter);
    }

    anode_ = Box(2, group);
    cathode_ = Box(2, group);
    anode_->setReadOnly(true);
    cathode_->setReadOnly(true);
    auto* codes = new QGridLayout;
    int line = 0;
    for (const auto& [caption, box] :
         {std::pair{t::kCommonAnode, anode_}, std::pair{t::kCommonCathode, cathode_}}) {
        auto* label = new QLabel(Text(caption), group);
        label->setBuddy(box);
        codes->addWidget(label, line, 0);
        codes->addWidget(box, line, 1);
        ++line;
    }
    codes->setRowStretch(line, 1);
    auto* reference = ReadOnlyText(t::kReferenceName, group);
    reference->setLineWrapMode(QPlainTextEdit::NoWrap);
    reference->setPlainText(Text(SegmentReferenceTables()));

    auto* top = new QHBoxLayout;
    top->addLayout(digit);
    top->addSpacing(16);
    top->addLayout(codes, 1);
    auto* layout = new QVBoxLayout(group);
    layout->addLayout(top);
    layout->addWidget(reference);
    ToggleSegment(nullptr);
    return group;
}

QWidget* CToolsDlg::CreateFontMatrix() {
    auto* group = new QGroupBox(Text(t::kFontGroup), this);
    preview_ = new CGlyphPreview(group);
    preview_->setAccessibleName(Text(t::kPreview));
    fontInput_ = Box(1, group);
    fontInput_->setText(Text(t::kFontPreset));
    auto* generate = new QPushButton(Text(t::kGenerate), group);
    generate->setToolTip(Text(t::kGenerateTip));
    connect(generate, &QPushButton::clicked, this, &CToolsDlg::GenerateGlyph);
    fontOutput_ = ReadOnlyText(t::kFontOutputName, group);

    auto* inputLabel = new QLabel(Text(t::kFontInput), group);
    inputLabel->setBuddy(fontInput_);
    auto* input = new QHBoxLayout;
    input->addWidget(fontInput_);
    input->addWidget(generate);
    auto* side = new QVBoxLayout;
    side->addWidget(inputLabel);
    side->addLayout(input);
    side->addWidget(fontOutput_, 1);
    auto* previewColumn = new QVBoxLayout;
    previewColumn->addWidget(new QLabel(Text(t::kPreview), group));
    previewColumn->addWidget(preview_);
    previewColumn->addStretch();
    auto* layout = new QHBoxLayout(group);
    layout->addLayout(previewColumn);
    layout->addLayout(side, 1);
    return group;
}

void CToolsDlg::ShowValue(const QLineEdit* source) {
    if (source != binary_) binary_->setText(Text(FormatBinary(value_)));
    if (source != decimal_) decimal_->setText(Text(FormatDecimal(value_)));
    if (source != hex_) hex_->setText(Text(FormatHexByte(value_)));
    for (int i = 0; i < 8; ++i) bits_[static_cast<std::size_t>(i)]->setChecked(value_ >> (7 - i) & 1);
}

void CToolsDlg::ConvertBinary() {
    const std::optional<std::uint8_t> value = ParseBinaryText(binary_->text().toStdU16String());
    if (!value) return Warn(this, t::kBinaryTooShort);
    value_ = *value;
    ShowValue(binary_);
}

void CToolsDlg::ConvertDecimal() {
    const std::optional<std::uint8_t> value = ParseDecimalText(decimal_->text().toStdU16String());
    if (!value) return Warn(this, t::kDecimalTooLarge);
    value_ = *value;
    ShowValue(decimal_);
}

void CToolsDlg::ConvertHex() {
    value_ = ParseHexText(hex_->text().toStdU16String());
    ShowValue(hex_);
}

void CToolsDlg::ToggleSegment(CSegmentButton* button) {
    // The button has already flipped its lit state; the code follows it.
    if (button) {
        const std::uint8_t bit = SegmentBit(button->segment());
        segments_ = static_cast<std::uint8_t>(button->isChecked() ? segments_ | bit : segments_ & ~bit);
    }
    anode_->setText(Text(CommonAnodeText(segments_)));
    cathode_->setText(Text(CommonCathodeText(segments_)));
}

void CToolsDlg::GenerateGlyph() {
    std::optional<Glyph> glyph = LookUpGlyph(fontInput_->text().toStdU16String());
    if (!glyph) {
        preview_->setGlyph(std::nullopt);
        fontOutput_->clear();
        return Warn(this, t::kNotInFont);
    }
    fontOutput_->setPlainText(Text(FormatGlyph(*glyph)));
    preview_->setGlyph(std::move(glyph));
}

bool CToolsDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) return true;
    }
    return CPage::eventFilter(watched, event);
}

}  // namespace viz
