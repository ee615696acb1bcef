#include "tools/UnicodePage.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <array>

namespace viz {
namespace {

// The page's own texts.
constexpr char kDisplayGroup[] = "显示区：";
constexpr char kInputGroup[] = "请输入字符串：";
constexpr char kClear[] = "清空";
constexpr char kStyleGroup[] = "显示风格";
constexpr std::array<const char*, 3> kStyles{"风格1", "风格2", "风格3"};

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

}  // namespace

CUnicode::CUnicode(PageContext& context, QWidget* parent)
    : CPage(context, parent), display_(new QPlainTextEdit(this)), input_(new QPlainTextEdit(this)) {
    display_->setObjectName("display");
    display_->setReadOnly(true);
    input_->setObjectName("input");
    input_->setTabChangesFocus(true);
    auto* displayGroup = new QGroupBox(Text(kDisplayGroup), this);
    auto* displayLayout = new QVBoxLayout(displayGroup);
    displayLayout->addWidget(display_);

    auto* inputGroup = new QGroupBox(Text(kInputGroup), this);
    auto* inputLayout = new QVBoxLayout(inputGroup);
    inputLayout->addWidget(input_);

    auto* styleGroup = new QGroupBox(Text(kStyleGroup), this);
    auto* styleLayout = new QVBoxLayout(styleGroup);
    auto* styles = new QButtonGroup(this);
    for (int i = 0; i < static_cast<int>(kStyles.size()); ++i) {
        auto* radio = new QRadioButton(Text(kStyles[static_cast<std::size_t>(i)]), styleGroup);
        radio->setChecked(i == 0);
        styles->addButton(radio, i);
        styleLayout->addWidget(radio);
    }
    connect(styles, &QButtonGroup::idClicked, this,
            [this](int id) { SetStyle(static_cast<DisplayStyle>(id)); });

    auto* clear = new QPushButton(Text(kClear), this);
    connect(clear, &QPushButton::clicked, this, &CUnicode::Clear);
    connect(input_, &QPlainTextEdit::textChanged, this, &CUnicode::Rebuild);

    auto* side = new QVBoxLayout;
    side->addWidget(styleGroup);
    side->addStretch();
    side->addWidget(clear);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(inputGroup, 1);
    bottom->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(displayGroup, 3);
    layout->addLayout(bottom, 1);
}

void CUnicode::SetStyle(DisplayStyle style) {
    style_ = style;
    Rebuild();
}

void CUnicode::Rebuild() {
    // The edit's line breaks are shown as the CR LF they stand for.
    const QString text = input_->toPlainText().replace(QChar(u'\n'), QStringLiteral("\r\n"));
    display_->setPlainText(QString::fromStdU16String(BuildEncodingDisplay(text.toStdU16String(), style_)));
}

void CUnicode::Clear() {
    display_->clear();
    input_->clear();
}

}  // namespace viz
