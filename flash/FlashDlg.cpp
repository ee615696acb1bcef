#include "flash/FlashDlg.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cstdlib>

#include <sys/eventfd.h>
#include <unistd.h>

#include "base/QtText.h"
#include "base/StatusLabel.h"
#include "flash/FlashTexts.h"
#include "flash/ToolRun.h"
#include "platform/CodePage.h"
#include "serial/SerialPorts.h"

namespace viz {
namespace {

namespace t = texts::flash;

constexpr int kOutputBlocks = 5000;
constexpr std::uint32_t kBauds[] = {115200, 57600, 38400, 19200, 9600};

// The bootloader protocols avrdude speaks over a serial port: its -c name and our label.
struct BootloaderProtocol {
    const char* id;
    const char16_t* label;
};
constexpr BootloaderProtocol kBootloaders[] = {{"arduino", t::kAvrArduino},
                                               {"urclock", t::kAvrUrclock},
                                               {"avr109", t::kAvrAvr109},
                                               {"wiring", t::kAvrWiring}};

QString Utf8(const std::string& text) {
    return QString::fromStdString(text);
}

std::u16string U16(const QString& text) {
    return text.toStdU16String();
}

void Select(QComboBox* box, const QString& id) {
    const int index = box->findData(id);
    if (index >= 0) box->setCurrentIndex(index);
}

QComboBox* NamedBox(const char16_t* name, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setAccessibleName(Text(name));
    return box;
}

// The list of an avrdude box: "ATmega328P (m328p)" holding "m328p".
void FillList(QComboBox* box, const std::vector<ToolListEntry>& entries, const QString& keep) {
    box->clear();
    for (const ToolListEntry& entry : entries)
        box->addItem(Utf8(entry.description) + " (" + Utf8(entry.id) + ")", Utf8(entry.id));
    if (box->findData(keep) < 0 && !keep.isEmpty()) box->insertItem(0, keep, keep);
    Select(box, keep);
}

QPointer<CFlashDlg>& TheWindow() {
    static QPointer<CFlashDlg> window;
    return window;
}

}  // namespace

QString CFlashDlg::ChosenId(const QComboBox* box) {
    const int index = box->currentIndex();
    if (index >= 0 && box->itemText(index) == box->currentText() && box->itemData(index).isValid())
        return box->itemData(index).toString();
    return box->currentText().trimmed();
}

CFlashDlg* CFlashDlg::Open(PageContext& context, QWidget* parent) {
    QPointer<CFlashDlg>& window = TheWindow();
    if (!window) window = new CFlashDlg(context, parent);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

CFlashDlg::CFlashDlg(PageContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window),
      context_(context),
      session_([this](FlashEvent event) { return pump_->Push(std::move(event)); }) {
    setWindowTitle(Text(t::kTitle));
    setAccessibleName(Text(t::kTitle));
    const char* path = std::getenv("PATH");
    searchPath_ = path ? path : "/usr/bin:/bin";
    pump_ = new CHandoffPump<FlashEvent>(this);
    pump_->setDelivery([this](const FlashEvent& event) { Deliver(event); }, {});
    BuildLayout();
    ReadSettings();
    TargetChanged();
    LoadListsLater();
}

CFlashDlg::~CFlashDlg() {
    WriteSettings();
    // The session's thread may wait in the pump: the pump lets it go first.
    session_.Cancel();
    pump_->Close();
    session_.Join();
    if (listerStop_ >= 0) SignalStop(listerStop_);
    if (lister_.joinable()) lister_.join();
    if (listerStop_ >= 0) ::close(listerStop_);
}

void CFlashDlg::BuildLayout() {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BuildTargetGroup());
    layout->addWidget(BuildFirmwareGroup());
    layout->addWidget(BuildFuseGroup());
    toolStatus_ = new CStatusLabel(Text(t::kStatusName), {}, this);
    layout->addWidget(toolStatus_);

    auto* buttons = new QHBoxLayout;
    start_ = new QPushButton(Text(t::kStart), this);
    start_->setAccessibleName(Text(t::kStart));
    cancel_ = new QPushButton(Text(t::kCancel), this);
    cancel_->setAccessibleName(Text(t::kCancel));
    progress_ = new QProgressBar(this);
    progress_->setAccessibleName(Text(t::kProgressName));
    progress_->setRange(0, 100);
    progress_->setValue(0);
    stage_ = new CStatusLabel(Text(t::kStageName), {}, this);
    buttons->addWidget(start_);
    buttons->addWidget(cancel_);
    buttons->addWidget(stage_);
    buttons->addWidget(progress_, 1);
    layout->addLayout(buttons);

    status_ = new CStatusLabel(Text(t::kStatusName), Text(t::kReady), this);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(status_);
    output_ = new QPlainTextEdit(this);
    output_->setAccessibleName(Text(t::kOutputName));
    output_->setReadOnly(true);
    output_->setMaximumBlockCount(kOutputBlocks);
    output_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(output_, 1);

    connect(start_, &QPushButton::clicked, this, &CFlashDlg::Start);
    connect(cancel_, &QPushButton::clicked, this, &CFlashDlg::Cancel);
}

QGroupBox* CFlashDlg::BuildTargetGroup() {
    auto* group = new QGroupBox(Text(t::kTargetGroup), this);
    targetForm_ = new QFormLayout(group);
    target_ = NamedBox(t::kTargetLabel, group);
    target_->addItem(Text(t::kTargetStc), static_cast<int>(FlashTarget::StcIsp));
    target_->addItem(Text(t::kTargetAvrBootloader), static_cast<int>(FlashTarget::AvrBootloader));
    target_->addItem(Text(t::kTargetAvrProgrammer), static_cast<int>(FlashTarget::AvrProgrammer));
    port_ = NamedBox(t::kPortLabel, group);
    port_->setEditable(true);
    port_->lineEdit()->setAccessibleName(Text(t::kPortLabel));
    baud_ = NamedBox(t::kBaudLabel, group);
    baud_->setEditable(true);
    baud_->lineEdit()->setAccessibleName(Text(t::kBaudLabel));
    for (const std::uint32_t baud : kBauds) baud_->addItem(QString::number(baud));
    protocol_ = NamedBox(t::kProtocolLabel, group);
    chip_ = NamedBox(t::kChipLabel, group);
    programmer_ = NamedBox(t::kProgrammerLabel, group);
    powerCycle_ = new QCheckBox(Text(t::kPowerCycleByDtr), group);
    powerCycle_->setAccessibleName(Text(t::kPowerCycleByDtr));
    targetForm_->addRow(Text(t::kTargetLabel), target_);
    targetForm_->addRow(Text(t::kPortLabel), port_);
    targetForm_->addRow(Text(t::kBaudLabel), baud_);
    targetForm_->addRow(Text(t::kProtocolLabel), protocol_);
    targetForm_->addRow(Text(t::kChipLabel), chip_);
    targetForm_->addRow(Text(t::kProgrammerLabel), programmer_);
    targetForm_->addRow(powerCycle_);
    FillPorts();
    connect(target_, &QComboBox::currentIndexChanged, this, &CFlashDlg::TargetChanged);
    return group;
}

QGroupBox* CFlashDlg::BuildFirmwareGroup() {
    auto* group = new QGroupBox(Text(t::kFirmwareGroup), this);
    auto* layout = new QHBoxLayout(group);
    useWizard_ = new QRadioButton(Text(t::kUseWizard), group);
    useWizard_->setAccessibleName(Text(t::kUseWizard));
    useFile_ = new QRadioButton(Text(t::kUseFile), group);
    useFile_->setAccessibleName(Text(t::kUseFile));
    file_ = new QLineEdit(group);
    file_->setAccessibleName(Text(t::kFileName));
    browse_ = new QPushButton(Text(t::kBrowse), group);
    browse_->setAccessibleName(Text(t::kBrowse));
    layout->addWidget(useWizard_);
    layout->addWidget(useFile_);
    layout->addWidget(file_, 1);
    layout->addWidget(browse_);
    useFile_->setChecked(true);
    connect(browse_, &QPushButton::clicked, this, &CFlashDlg::Browse);
    connect(file_, &QLineEdit::textEdited, this, [this] { useFile_->setChecked(true); });
    return group;
}

QGroupBox* CFlashDlg::BuildFuseGroup() {
    fuseGroup_ = new QGroupBox(Text(t::kFuseGroup), this);
    auto* form = new QFormLayout(fuseGroup_);
    writeFuses_ = new QCheckBox(Text(t::kWriteFuses), fuseGroup_);
    writeFuses_->setAccessibleName(Text(t::kWriteFuses));
    auto* warning = new QLabel(Text(t::kFuseWarning), fuseGroup_);
    warning->setWordWrap(true);
    warning->setAccessibleName(Text(t::kFuseWarning));
    form->addRow(writeFuses_);
    form->addRow(warning);
    const char16_t* labels[4] = {t::kLowFuse, t::kHighFuse, t::kExtendedFuse, t::kLockBits};
    for (int i = 0; i < 4; ++i) {
        fuses_[i] = new QLineEdit(fuseGroup_);
        fuses_[i]->setAccessibleName(Text(labels[i]));
        fuses_[i]->setEnabled(false);
        form->addRow(Text(labels[i]), fuses_[i]);
    }
    connect(writeFuses_, &QCheckBox::toggled, this, [this](bool on) {
        for (QLineEdit* fuse : fuses_) fuse->setEnabled(on);
    });
    return fuseGroup_;
}

void CFlashDlg::FillPorts() {
    const QString typed = port_->currentText();
    port_->clear();
    for (const SerialPortInfo& info : ListSerialPortInfo())
        port_->addItem(Utf8(SerialPortLabel(info)), Utf8(info.path));
    for (const ExtraSerialPort& extra : context_.extraSerialPorts().ports())
        port_->addItem(Utf8(extra.label), Utf8(extra.path));
    SetPort(typed);
}

void CFlashDlg::SetPort(const QString& path) {
    const int index = port_->findData(path);
    if (index >= 0) {
        port_->setCurrentIndex(index);
    } else {
        port_->setEditText(path);
    }
}

void CFlashDlg::SetBaud(quint32 baud) {
    baud_->setEditText(QString::number(baud));
}

void CFlashDlg::SetWizardFirmware(const QString& path) {
    wizardFirmware_ = path;
    useWizard_->setChecked(true);
}

FlashTarget CFlashDlg::target() const {
    return static_cast<FlashTarget>(target_->currentData().toInt());
}

void CFlashDlg::FillProtocols() {
    protocol_->clear();
    if (target() == FlashTarget::StcIsp) {
        for (const std::string& id : StcProtocols())
            protocol_->addItem(id == "auto" ? Text(t::kStcAuto) : QString::fromStdString(id).toUpper(),
                               Utf8(id));
        Select(protocol_, savedStcProtocol_);
    } else {
        for (const BootloaderProtocol& protocol : kBootloaders)
            protocol_->addItem(Text(protocol.label), QString::fromLatin1(protocol.id));
        Select(protocol_, savedAvrProtocol_);
    }
}

void CFlashDlg::TargetChanged() {
    const FlashTarget chosen = target();
    // The box of the other serial target keeps its own protocol.
    if (protocol_->count() > 0) {
        (protocol_->findData(QStringLiteral("auto")) >= 0 ? savedStcProtocol_ : savedAvrProtocol_) =
            ChosenId(protocol_);
    }
    FillProtocols();
    const bool serial = UsesSerialPort(chosen);
    targetForm_->setRowVisible(port_, serial);
    targetForm_->setRowVisible(baud_, serial);
    targetForm_->setRowVisible(protocol_, serial);
    targetForm_->setRowVisible(chip_, chosen != FlashTarget::StcIsp);
    targetForm_->setRowVisible(programmer_, chosen == FlashTarget::AvrProgrammer);
    targetForm_->setRowVisible(powerCycle_, chosen == FlashTarget::StcIsp);
    fuseGroup_->setVisible(chosen != FlashTarget::StcIsp);
    if (chosen == FlashTarget::StcIsp) writeFuses_->setChecked(false);
    const FlashTool tool = ToolFor(chosen);
    toolFound_ = !FindOnPath(ToolProgram(tool), searchPath_).empty();
    toolStatus_->ShowStatus(toolFound_ ? QString() : Utf8(MissingToolText(tool)));
    toolStatus_->setVisible(!toolFound_);
    UpdateControls();
}

void CFlashDlg::UpdateControls() {
    const bool busy = session_.running() || reservation_.has_value();
    start_->setEnabled(toolFound_ && !busy);
    cancel_->setEnabled(busy);
    target_->setEnabled(!busy);
}

void CFlashDlg::LoadListsLater() {
    const std::filesystem::path avrdude = FindOnPath("avrdude", searchPath_);
    if (avrdude.empty()) return;
    listerStop_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (listerStop_ < 0) return;
    chip_->setPlaceholderText(Text(t::kListing));
    QPointer<CFlashDlg> self(this);
    const int stop = listerStop_;
    lister_ = std::thread([self, avrdude, stop] {
        Lists lists;
        const ToolCapture parts = CaptureTool(avrdude, {"-p", "?"}, stop);
        if (parts.stopped) return;
        const ToolCapture programmers = CaptureTool(avrdude, {"-c", "?"}, stop);
        if (programmers.stopped) return;
        lists.parts = ParseAvrdudeList(parts.output);
        lists.programmers = ParseAvrdudeList(programmers.output);
        // The window waits for this thread before it goes, so it is there
        // when the call is queued; QPointer drops it if it went meanwhile.
        QMetaObject::invokeMethod(
            self.data(),
            [self, lists] {
                if (self) self->ListsArrived(lists);
            },
            Qt::QueuedConnection);
    });
}

void CFlashDlg::ListsArrived(const Lists& lists) {
    parts_ = lists.parts;
    programmers_ = lists.programmers;
    const QString part = ChosenId(chip_).isEmpty() ? savedPart_ : ChosenId(chip_);
    const QString programmer = ChosenId(programmer_).isEmpty() ? savedProgrammer_ : ChosenId(programmer_);
    FillList(chip_, parts_, part);
    FillList(programmer_, programmers_, programmer);
    emit listsLoaded();
}

void CFlashDlg::ReadSettings() {
    FlashSettings settings;
    context_.settings().ReadFlashSettings(settings);
    savedStcProtocol_ = QString::fromStdU16String(settings.stcProtocol);
    savedAvrProtocol_ = QString::fromStdU16String(settings.avrProtocol);
    savedPart_ = QString::fromStdU16String(settings.part);
    savedProgrammer_ = QString::fromStdU16String(settings.programmer);
    FillList(chip_, {}, savedPart_);
    FillList(programmer_, {}, savedProgrammer_);
    target_->setCurrentIndex(std::min<int>(static_cast<int>(settings.target), target_->count() - 1));
    SetPort(QString::fromStdU16String(settings.port));
    baud_->setEditText(QString::number(settings.baud));
    powerCycle_->setChecked(settings.powerCycleByDtr != 0);
    file_->setText(QString::fromStdU16String(settings.file));
    (settings.useFile != 0 ? useFile_ : useWizard_)->setChecked(true);
}

void CFlashDlg::WriteSettings() {
    if (context_.settings().defaultsRestored()) return;
    FlashSettings settings;
    settings.target = static_cast<std::uint32_t>(target_->currentIndex());
    settings.port = U16(ChosenId(port_));
    settings.baud = baud_->currentText().toUInt();
    const bool stc = target() == FlashTarget::StcIsp;
    settings.stcProtocol = U16(stc ? ChosenId(protocol_) : savedStcProtocol_);
    settings.avrProtocol = U16(stc ? savedAvrProtocol_ : ChosenId(protocol_));
    settings.part = U16(ChosenId(chip_));
    settings.programmer = U16(ChosenId(programmer_));
    settings.powerCycleByDtr = powerCycle_->isChecked() ? 1 : 0;
    settings.useFile = useFile_->isChecked() ? 1 : 0;
    settings.file = U16(file_->text());
    context_.settings().WriteFlashSettings(settings);
}

void CFlashDlg::Browse() {
    const QString chosen =
        QFileDialog::getOpenFileName(this, Text(t::kBrowseTitle), file_->text(), Text(t::kBrowseFilter));
    if (chosen.isEmpty()) return;
    file_->setText(chosen);
    useFile_->setChecked(true);
}

void CFlashDlg::closeEvent(QCloseEvent* event) {
    WriteSettings();
    event->accept();
}

}  // namespace viz
