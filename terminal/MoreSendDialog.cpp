#include "terminal/MoreSendDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "base/TextFormat.h"
#include "terminal/TerminalTexts.h"

namespace viz {

namespace t = terminal_texts;

CMoreSendDialog::CMoreSendDialog(SettingsStore& settings, MoreSendKind kind, const QString& title,
                                 SendFn first, SendFn second, QWidget* parent)
    : QDialog(parent),
      settings_(settings),
      kind_(kind),
      first_(std::move(first)),
      second_(std::move(second)) {
    setWindowTitle(title.left(64));
    setModal(false);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QString::fromUtf16(t::kHex), this), 0, 1, Qt::AlignCenter);
    for (std::size_t row = 0; row < kMoreSendEntries; ++row) {
        entries_[row] = new QLineEdit(this);
        hexBoxes_[row] = new QCheckBox(this);
        sendButtons_[row] = new QPushButton(QString::fromUtf16(t::kSend), this);
        sendButtons_[row]->setAutoDefault(false);
        const QString number = QString::number(row + 1);
        entries_[row]->setAccessibleName(QString::fromUtf16(t::kEntryName).arg(number));
        hexBoxes_[row]->setAccessibleName(QString::fromUtf16(t::kEntryHexName).arg(number));
        sendButtons_[row]->setAccessibleName(QString::fromUtf16(t::kEntrySendName).arg(number));
        const int line = static_cast<int>(row) + 1;
        grid->addWidget(entries_[row], line, 0);
        grid->addWidget(hexBoxes_[row], line, 1, Qt::AlignCenter);
        grid->addWidget(sendButtons_[row], line, 2);
        connect(sendButtons_[row], &QPushButton::clicked, this, [this, row] { SendEntry(row); });
    }
    grid->setColumnStretch(0, 1);

    period_ = new QLineEdit(QString::fromUtf16(t::kDefaultPeriod), this);
    period_->setMaxLength(5);
    period_->setMaximumWidth(70);
    period_->setAccessibleName(QString::fromUtf16(t::kCyclePeriodName));
    cycle_ = new QPushButton(QString::fromUtf16(t::kCycle), this);
    link1_ = new QRadioButton(QString::fromUtf16(t::kLink1), this);
    link2_ = new QRadioButton(QString::fromUtf16(t::kLink2), this);
    link1_->setChecked(true);
    auto* save = new QPushButton(QString::fromUtf16(t::kSaveData), this);
    auto* load = new QPushButton(QString::fromUtf16(t::kLoadData), this);
    for (QPushButton* button : {cycle_, save, load}) button->setAutoDefault(false);
    if (kind == MoreSendKind::Network) {
        link1_->setText(QStringLiteral("TCP"));
        link2_->setText(QStringLiteral("UDP"));
    } else {
        for (QRadioButton* button : {link1_, link2_}) {
            button->setAccessibleName(QString::fromUtf16(button == link1_ ? t::kLink1 : t::kLink2));
            button->setText(QString());
            button->setEnabled(false);
        }
    }
    connect(link1_, &QRadioButton::clicked, this, [this] { link_ = 0; });
    connect(link2_, &QRadioButton::clicked, this, [this] { link_ = 1; });
    connect(cycle_, &QPushButton::clicked, this, &CMoreSendDialog::ToggleCycle);
    connect(save, &QPushButton::clicked, this, &CMoreSendDialog::SaveEntries);
    connect(load, &QPushButton::clicked, this, &CMoreSendDialog::LoadEntries);
    connect(&timer_, &QTimer::timeout, this, &CMoreSendDialog::CycleTick);

    auto* controls = new QHBoxLayout;
    controls->addWidget(period_);
    controls->addWidget(cycle_);
    controls->addWidget(link1_);
    controls->addWidget(link2_);
    controls->addStretch();
    controls->addWidget(save);
    controls->addWidget(load);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(controls);
    layout->addStretch();
    resize(620, sizeHint().height());
}

void CMoreSendDialog::SendEntry(std::size_t row, bool cycleStep) {
    const std::u16string text = entries_[row]->text().toStdU16String();
    if (text.empty()) return;
    Bytes bytes = SendBytes(text, hexBoxes_[row]->isChecked(), encoding_);
    const SendFn& send = link_ == 1 ? second_ : first_;
    if (send && !bytes.empty()) send(std::move(bytes), cycleStep);
}

void CMoreSendDialog::ToggleCycle() {
    if (timer_.isActive()) {
        timer_.stop();
        cycle_->setText(QString::fromUtf16(t::kCycle));
        period_->setEnabled(true);
        for (QLineEdit* entry : entries_) entry->setEnabled(true);
        return;
    }
    int period = FieldInteger(period_->text().toStdU16String());
    if (period <= 0) {
        period = 1000;
        period_->setText(QString::fromUtf16(t::kDefaultPeriod));
    }
    cycleOrder_.Restart();
    timer_.start(period);
    period_->setEnabled(false);
    cycle_->setText(QString::fromUtf16(t::kStop));
}

void CMoreSendDialog::CycleTick() {
    const std::size_t row = cycleOrder_.Tick();
    for (std::size_t i = 0; i < kMoreSendEntries; ++i) entries_[i]->setEnabled(i != row);
    SendEntry(row, true);
}

void CMoreSendDialog::SaveEntries() {
    MoreSendList entries;
    for (std::size_t i = 0; i < kMoreSendEntries; ++i) entries[i] = entries_[i]->text().toStdU16String();
    const bool saved = settings_.WriteMoreSend(kind_, MoreSendSlots(entries)) == 0;
    QMessageBox::information(this, windowTitle(), QString::fromUtf16(saved ? t::kSaveOk : t::kSaveFailed));
}

void CMoreSendDialog::LoadEntries() {
    MoreSendList stored;
    const bool loaded = settings_.ReadMoreSend(kind_, stored) == 0;
    if (!loaded) QMessageBox::information(this, windowTitle(), QString::fromUtf16(t::kLoadFailedMessage));
    for (std::size_t i = 0; i < kMoreSendEntries; ++i)
        entries_[i]->setText(QString::fromStdU16String(stored[i]));
}

}  // namespace viz
