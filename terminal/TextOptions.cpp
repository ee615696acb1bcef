#include "terminal/TextOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>

#include <algorithm>

#include "terminal/MoreSendDialog.h"
#include "terminal/ReceiveArea.h"
#include "terminal/SendArea.h"
#include "terminal/TerminalTexts.h"

namespace viz {

namespace t = terminal_texts;

CTextOptions::CTextOptions(SettingsStore& settings, MoreSendKind page, QWidget* parent)
    : QObject(parent), settings_(settings), page_(page) {
    choice_ = new QWidget(parent);
    box_ = new QComboBox(choice_);
    box_->setObjectName(QStringLiteral("encoding"));
    // Listed in the order of their stored numbers.
    box_->addItem(QString::fromUtf16(t::kEncodingGbk));
    box_->addItem(QString::fromUtf16(t::kEncodingUtf8));
    box_->setToolTip(QString::fromUtf16(t::kTipEncoding));
    auto* label = new QLabel(QString::fromUtf16(t::kEncodingLabel), choice_);
    label->setBuddy(box_);
    box_->setAccessibleName(label->text());
    auto* row = new QHBoxLayout(choice_);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(label);
    row->addWidget(box_, 1);
    connect(box_, &QComboBox::currentIndexChanged, this, &CTextOptions::Apply);
}

void CTextOptions::AddReceiveArea(CReceiveArea* area) {
    receiveAreas_.emplace_back(area);
    area->setEncoding(encoding());
}

void CTextOptions::AddSendArea(CSendArea* area) {
    sendAreas_.emplace_back(area);
    area->setEncoding(encoding());
}

void CTextOptions::AddMoreSend(CMoreSendDialog* dialog) {
    moreSends_.emplace_back(dialog);
    dialog->setEncoding(encoding());
}

TextEncoding CTextOptions::encoding() const {
    return TextEncodingFromNumber(static_cast<std::uint32_t>(std::max(0, box_->currentIndex())));
}

void CTextOptions::setEncoding(TextEncoding encoding) {
    box_->setCurrentIndex(static_cast<int>(encoding));
}

void CTextOptions::Apply() {
    const TextEncoding chosen = encoding();
    for (const auto& area : receiveAreas_) {
        if (area) area->setEncoding(chosen);
    }
    for (const auto& area : sendAreas_) {
        if (area) area->setEncoding(chosen);
    }
    for (const auto& dialog : moreSends_) {
        if (dialog) dialog->setEncoding(chosen);
    }
}

void CTextOptions::Load() {
    TextSettings saved;
    // A partial read keeps what it read; the rest stays at the defaults.
    settings_.ReadTextSettings(page_, saved);
    setEncoding(TextEncodingFromNumber(saved.encoding));
    for (std::size_t i = 0; i < receiveAreas_.size() && i < 32; ++i) {
        if (receiveAreas_[i]) receiveAreas_[i]->setTimeStamps((saved.timeStamps >> i) & 1U);
    }
    loaded_ = Shown();
}

TextSettings CTextOptions::Shown() const {
    TextSettings shown;
    shown.encoding = static_cast<std::uint32_t>(encoding());
    for (std::size_t i = 0; i < receiveAreas_.size() && i < 32; ++i) {
        if (receiveAreas_[i] && receiveAreas_[i]->pipeline().timeStamps()) shown.timeStamps |= 1U << i;
    }
    return shown;
}

void CTextOptions::Save() {
    const TextSettings shown = Shown();
    if (shown.encoding == loaded_.encoding && shown.timeStamps == loaded_.timeStamps) return;
    settings_.WriteTextSettings(page_, shown);
}

}  // namespace viz
