#include "terminal/PortMonitorDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "terminal/ListCtrlEx.h"
#include "terminal/ReceiveArea.h"
#include "terminal/TerminalTexts.h"
#include "terminal/TextFile.h"

namespace viz {

namespace t = terminal_texts;

CPortMonitorDialog::CPortMonitorDialog(const QString& title, const QString& portCaption, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(title.left(64));
    setModal(false);
    portLine_ = new QLabel(QString::fromUtf16(t::kPortLineFormat).arg(portCaption.left(64)), this);
    list_ = new CListCtrlEx(this);
    list_->setAccessibleName(QString::fromUtf16(t::kRecordListName));
    start_ = new QPushButton(QString::fromUtf16(t::kStartMonitor), this);
    stop_ = new QPushButton(QString::fromUtf16(t::kStopMonitor), this);
    auto* clear = new QPushButton(QString::fromUtf16(t::kClear), this);
    auto* save = new QPushButton(QString::fromUtf16(t::kSaveRecords), this);
    hex_ = new QCheckBox(QString::fromUtf16(t::kHexDisplay), this);
    stop_->setEnabled(false);
    // Enter in the window must not press a button (nor close the window).
    for (QPushButton* button : {start_, stop_, clear, save}) button->setAutoDefault(false);

    connect(start_, &QPushButton::clicked, this, &CPortMonitorDialog::StartMonitoring);
    connect(stop_, &QPushButton::clicked, this, &CPortMonitorDialog::StopMonitoring);
    connect(clear, &QPushButton::clicked, this, &CPortMonitorDialog::ClearRows);
    connect(save, &QPushButton::clicked, this, &CPortMonitorDialog::SaveLog);
    connect(hex_, &QCheckBox::toggled, this, &CPortMonitorDialog::SetHex);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(portLine_, 1);
    buttons->addWidget(hex_);
    buttons->addWidget(start_);
    buttons->addWidget(stop_);
    buttons->addWidget(clear);
    buttons->addWidget(save);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
    resize(820, 480);
}

void CPortMonitorDialog::LinkChanged(bool opened) {
    Add(records_.Link(opened));
}

void CPortMonitorDialog::AddRecord(RecordKind kind, const std::uint8_t* bytes, std::size_t count) {
    Add(records_.Data(kind, bytes, count));
}

void CPortMonitorDialog::Add(const std::optional<MonitorRow>& row) {
    if (row) list_->AddRow(*row);
}

void CPortMonitorDialog::StartMonitoring() {
    records_.setMonitoring(true);
    start_->setEnabled(false);
    stop_->setEnabled(true);
}

void CPortMonitorDialog::StopMonitoring() {
    records_.setMonitoring(false);
    start_->setEnabled(true);
    stop_->setEnabled(false);
}

void CPortMonitorDialog::ClearRows() {
    records_.Clear();
    list_->Clear();
}

void CPortMonitorDialog::SaveLog() {
    const QString name = windowTitle() + QStringLiteral(".txt");
    const std::string error =
        WriteTextFile(CurrentDirectoryFile(name), MonitorLogText(list_->rows()), records_.encoding());
    if (!error.empty()) {
        QMessageBox::warning(this, QCoreApplication::applicationName(), FileErrorText(name, error));
        return;
    }
    QMessageBox::information(this, QCoreApplication::applicationName(), QString::fromUtf16(t::kLogSaved));
}

}  // namespace viz
