#include "wizards/avr/McuAvrDlg.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <array>

namespace viz {
namespace {

// The page's own texts.
constexpr char kBaudGroup[] = "波特率";
constexpr char kFrequency[] = "工作频率：";
constexpr char kHz[] = "Hz";
constexpr char kBaud[] = "波特率：";
constexpr char kRegisterGroup[] = "波特率寄存器";
constexpr char kCalculate[] = "计算";
constexpr char kGenerate[] = "生成代码";
constexpr char kCodeName[] = "生成的代码";
constexpr char kRunOnBoard[] = "在虚拟开发板中运行";
constexpr char kRunOnBoardTip[] =
    "用avr-gcc编译生成的代码，在虚拟开发板（ATmega16）上以所填频率运行，并用串口调试页连接它";
constexpr char kDownloadToChip[] = "下载到芯片";
constexpr char kDownloadToChipTip[] =
    "用avr-gcc编译生成的代码（与虚拟开发板相同），在下载程序窗口中把它写入芯片";
constexpr char kChip[] = "ATmega16";
constexpr char kStartFrequency[] = "12000000";
constexpr std::array<const char*, 11> kBaudRates{"1200",  "2400",  "4800",  "9600",   "14400", "19200",
                                                 "38400", "56000", "57600", "115200", "194000"};
constexpr int kStartBaudIndex = 3;

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// Labels and plain-text edits break lines at LF; the generated texts carry CR LF.
QString ForDisplay(const std::string& text) {
    return QString::fromStdString(text).replace("\r\n", "\n");
}

}  // namespace

CMcuAvrDlg::CMcuAvrDlg(PageContext& context, QWidget* parent)
    : CPage(context, parent),
      frequency_(new QLineEdit(Text(kStartFrequency), this)),
      baud_(new QComboBox(this)),
      result_(new QLabel(this)),
      code_(new QPlainTextEdit(this)) {
    frequency_->setObjectName("frequency");
    frequency_->setMaxLength(8);
    baud_->setObjectName("baud");
    for (const char* rate : kBaudRates) baud_->addItem(Text(rate));
    baud_->setCurrentIndex(kStartBaudIndex);
    result_->setObjectName("result");
    code_->setObjectName("code");
    code_->setAccessibleName(Text(kCodeName));
    code_->setReadOnly(true);
    code_->setLineWrapMode(QPlainTextEdit::NoWrap);
    // The generated comments are aligned in columns.
    code_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    code_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    auto* calculate = new QPushButton(Text(kCalculate), this);
    auto* generate = new QPushButton(Text(kGenerate), this);
    connect(calculate, &QPushButton::clicked, this, &CMcuAvrDlg::Calculate);
    connect(generate, &QPushButton::clicked, this, &CMcuAvrDlg::GenerateCode);
    auto* board = new QPushButton(Text(kRunOnBoard), this);
    board->setObjectName("runOnBoard");
    board->setToolTip(Text(kRunOnBoardTip));
    connect(board, &QPushButton::clicked, this, [this] { emit runOnVirtualBoard(BoardFirmware()); });
    auto* download = new QPushButton(Text(kDownloadToChip), this);
    download->setObjectName("downloadToChip");
    download->setToolTip(Text(kDownloadToChipTip));
    connect(download, &QPushButton::clicked, this, [this] { emit downloadToChip(BoardFirmware()); });

    auto* registerGroup = new QGroupBox(Text(kRegisterGroup), this);
    auto* registerLayout = new QVBoxLayout(registerGroup);
    registerLayout->addWidget(result_);

    auto* baudGroup = new QGroupBox(Text(kBaudGroup), this);
    auto* grid = new QGridLayout(baudGroup);
    auto* frequencyLabel = new QLabel(Text(kFrequency), baudGroup);
    frequencyLabel->setBuddy(frequency_);
    auto* baudLabel = new QLabel(Text(kBaud), baudGroup);
    baudLabel->setBuddy(baud_);
    grid->addWidget(frequencyLabel, 0, 0);
    grid->addWidget(frequency_, 0, 1);
    grid->addWidget(new QLabel(Text(kHz), baudGroup), 0, 2);
    grid->addWidget(baudLabel, 1, 0);
    grid->addWidget(baud_, 1, 1);
    grid->addWidget(registerGroup, 2, 0, 1, 3);
    grid->addWidget(calculate, 3, 0, 1, 3);
    grid->addWidget(generate, 4, 0, 1, 3);
    auto* runRow = new QHBoxLayout;
    runRow->addWidget(board);
    runRow->addWidget(download);
    grid->addLayout(runRow, 5, 0, 1, 3);
    grid->setRowStretch(6, 1);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(baudGroup);
    layout->addWidget(code_, 1);

    // The start values' result, so the label and a later "计算" agree.
    Calculate();
}

void CMcuAvrDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    CPage::keyPressEvent(event);
}

void CMcuAvrDlg::Calculate() {
    const std::uint32_t frequency = LeadingDecimal(frequency_->text().toStdString());
    const std::uint32_t baud = LeadingDecimal(baud_->currentText().toStdString());
    ubrr_ = ComputeUbrr(frequency, baud);
    result_->setText(ForDisplay(UbrrLabel(ubrr_)));
}

WizardFirmware CMcuAvrDlg::BoardFirmware() {
    Calculate();
    WizardFirmware firmware;
    firmware.chip = kChip;
    firmware.clockHz = LeadingDecimal(frequency_->text().toStdString());
    firmware.source = AvrUartProgram(ubrr_);
    firmware.baud = LeadingDecimal(baud_->currentText().toStdString());
    return firmware;
}

void CMcuAvrDlg::GenerateCode() {
    Calculate();
    code_->setPlainText(ForDisplay(AvrUartProgram(ubrr_)));
}

}  // namespace viz
