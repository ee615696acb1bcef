// The board window: its controls, the chip list and the tool check.
#include "board/VirtualBoardDlg.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdlib>
#include <thread>

#include "base/StatusLabel.h"
#include "board/AvrBoardRun.h"
#include "board/BoardTexts.h"
#include "board/PinView.h"
#include "board/SerialBootloader.h"
#include "board/learn/LearnBoardPanel.h"

namespace viz {
namespace {

namespace t = texts::board;

constexpr char kRunnerName[] = "duvezer-avrsim";
constexpr char kS51WakeName[] = "duvezer-s51wake.so";
constexpr char kDefaultAvr[] = "ATmega16";
constexpr char kDefaultClock[] = "11.0592";
// Lamps refreshed 20 times a second while the board runs.
constexpr int kPinRefreshMs = 50;
constexpr int kOutputBlocks = 5000;

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// The board is a window to screen readers (a plain widget reads as a
// filler), and its chip list keeps its name: on this platform a combo box
// otherwise gives its current item as its name.
class ChipListAccessible : public QAccessibleWidget {
public:
    explicit ChipListAccessible(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}
    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value) return static_cast<QComboBox*>(widget())->currentText();
        return QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface* BoardAccessible(const QString& key, QObject* object) {
    if (key == QLatin1StringView("viz::CVirtualBoardDlg"))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    if (key == QLatin1StringView("QComboBox") && object->objectName() == QLatin1StringView("chip") &&
        object->parent() && object->parent()->parent() &&
        object->parent()->parent()->inherits("viz::CVirtualBoardDlg"))
        return new ChipListAccessible(static_cast<QComboBox*>(object));
    return nullptr;
}

// ATmega16 as the runner would list it, for when it cannot be asked.
BoardChip DefaultAvrChip() {
    return BoardChip{ChipFamily::Avr, kDefaultAvr, "atmega16", 16384, {"PORTA", "PORTB", "PORTC", "PORTD"}};
}

}  // namespace

ToolSearch DefaultToolSearch() {
    const char* path = std::getenv("PATH");
    ToolSearch search{path ? path : "/usr/bin:/bin", {}, {}};
    const QFileInfo beside(QCoreApplication::applicationDirPath() + u'/' + QLatin1StringView(kRunnerName));
    if (beside.isExecutable()) search.avrRunner = beside.filePath().toStdString();
    // Beside the program in the build tree, among the package's libraries once installed.
    const QString program = QCoreApplication::applicationDirPath();
    for (const QString& folder : {program, program + QStringLiteral("/" VIZ_PRIVATE_DIR_FROM_BIN)}) {
        const QFileInfo wake(folder + u'/' + QLatin1StringView(kS51WakeName));
        if (wake.isFile()) {
            search.s51Wake = wake.absoluteFilePath().toStdString();
            break;
        }
    }
    return search;
}

CVirtualBoardDlg::CVirtualBoardDlg(PageContext& context, VirtualBoardSetup setup, QWidget* parent)
    : QWidget(parent, Qt::Window), context_(context), setup_(std::move(setup)), session_(*this) {
    static const bool accessibleInstalled = [] {
        QAccessible::installFactory(BoardAccessible);
        return true;
    }();
    (void)accessibleInstalled;
    setWindowTitle(Text(t::kTitle));
    setAccessibleName(Text(t::kTitle));
    output_ = new QPlainTextEdit(this);
    output_->setObjectName("output");
    output_->setAccessibleName(Text(t::kOutputGroup));
    output_->setReadOnly(true);
    output_->setMaximumBlockCount(kOutputBlocks);
    output_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    pins_ = new CPinView(this);
    pins_->setObjectName("pins");
    pinTimer_ = new QTimer(this);
    pinTimer_->setInterval(kPinRefreshMs);
    connect(pinTimer_, &QTimer::timeout, this, &CVirtualBoardDlg::RefreshPins);

    auto* outputGroup = new QGroupBox(Text(t::kOutputGroup), this);
    (new QVBoxLayout(outputGroup))->addWidget(output_);
    auto* pinsGroup = new QGroupBox(Text(t::kPinsGroup), this);
    (new QVBoxLayout(pinsGroup))->addWidget(pins_);
    auto* layout = new QGridLayout(this);
    layout->addWidget(BuildSetup(), 0, 0);
    layout->addWidget(pinsGroup, 0, 1);
    layout->addWidget(outputGroup, 1, 0, 1, 2);
    learn_ = new CLearnBoardPanel(context.settings(), this);
    learn_->setObjectName("learnBoard");
    layout->addWidget(learn_, 0, 2, 2, 1);
    layout->setRowStretch(1, 1);
    layout->setColumnStretch(2, 1);
    resize(1280, 640);

    for (const BoardChip& chip : Mcs51Chips()) {
        chips_.push_back(chip);
        chip_->addItem(QString::fromStdString(chip.name));
    }
    ShowRunning(false);
    ShowLearnBoard();
    ListAvrPartsLater();
}

CVirtualBoardDlg::~CVirtualBoardDlg() {
    if (lister_.joinable()) lister_.join();
    // News the board still posts is dropped with this window.
    ++run_;
    context_.extraSerialPorts().Remove(kPortId);
}

QWidget* CVirtualBoardDlg::BuildSetup() {
    auto* group = new QGroupBox(Text(t::kSetupGroup), this);
    auto* grid = new QGridLayout(group);
    chip_ = new QComboBox(group);
    chip_->setObjectName("chip");
    chip_->setAccessibleName(Text(t::kChipName));
    clock_ = new QLineEdit(Text(kDefaultClock), group);
    clock_->setObjectName("clock");
    clock_->setAccessibleName(Text(t::kClockName));
    useWizard_ = new QRadioButton(Text(t::kWizardCode), group);
    useWizard_->setObjectName("useWizard");
    useWizard_->setChecked(true);
    useFile_ = new QRadioButton(Text(t::kFirmwareFile), group);
    useFile_->setObjectName("useFile");
    auto* firmware = new QButtonGroup(group);
    firmware->addButton(useWizard_);
    firmware->addButton(useFile_);
    file_ = new QLineEdit(group);
    file_->setObjectName("file");
    file_->setAccessibleName(Text(t::kFileName));
    browse_ = new QPushButton(Text(t::kBrowse), group);
    start_ = new QPushButton(Text(t::kStart), group);
    start_->setObjectName("start");
    stop_ = new QPushButton(Text(t::kStop), group);
    stop_->setObjectName("stop");
    // An AVR chip's RESET pin: a chip with a serial bootloader then waits for a downloader.
    reset_ = new QPushButton(Text(t::kReset), group);
    reset_->setObjectName("reset");
    status_ = new CStatusLabel(Text(t::kStatusName), QString(), group);
    status_->setObjectName("status");
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);

    auto* chipLabel = new QLabel(Text(t::kChip), group);
    chipLabel->setBuddy(chip_);
    auto* clockLabel = new QLabel(Text(t::kClock), group);
    clockLabel->setBuddy(clock_);
    grid->addWidget(chipLabel, 0, 0);
    grid->addWidget(chip_, 0, 1, 1, 2);
    grid->addWidget(clockLabel, 1, 0);
    grid->addWidget(clock_, 1, 1);
    grid->addWidget(new QLabel(Text(t::kMegahertz), group), 1, 2);
    grid->addWidget(new QLabel(Text(t::kFirmware), group), 2, 0);
    grid->addWidget(useWizard_, 2, 1, 1, 2);
    grid->addWidget(useFile_, 3, 1);
    grid->addWidget(browse_, 3, 2);
    grid->addWidget(file_, 4, 1, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(start_);
    buttons->addWidget(stop_);
    buttons->addWidget(reset_);
    grid->addLayout(buttons, 5, 0, 1, 3);
    grid->addWidget(status_, 6, 0, 1, 3);
    grid->setRowStretch(7, 1);

    connect(chip_, &QComboBox::currentIndexChanged, this, &CVirtualBoardDlg::CheckTools);
    connect(chip_, &QComboBox::currentIndexChanged, this, &CVirtualBoardDlg::ShowLearnBoard);
    connect(useWizard_, &QRadioButton::toggled, this, &CVirtualBoardDlg::CheckTools);
    connect(file_, &QLineEdit::textChanged, this, [this] {
        if (!file_->text().isEmpty()) useFile_->setChecked(true);
        CheckTools();
    });
    connect(browse_, &QPushButton::clicked, this, &CVirtualBoardDlg::Browse);
    connect(start_, &QPushButton::clicked, this, &CVirtualBoardDlg::Start);
    connect(stop_, &QPushButton::clicked, this, &CVirtualBoardDlg::Stop);
    connect(reset_, &QPushButton::clicked, this, [this] { session_.ResetChip(); });
    // The keyboard goes through the window as it reads, the output last.
    QWidget* previous = chip_;
    for (QWidget* next : std::initializer_list<QWidget*>{clock_, useWizard_, useFile_, browse_, file_, start_,
                                                         stop_, reset_, output_}) {
        setTabOrder(previous, next);
        previous = next;
    }
    return group;
}

// Asking the runner takes a child process: not on this thread.
void CVirtualBoardDlg::ListAvrPartsLater() {
    const BoardTools tools = FindBoardTools(ChipFamily::Avr, false, setup_.search);
    if (tools.simulator.empty()) {
        AddAvrParts({});
        return;
    }
    // Joined when the window goes, so its news always finds the window.
    lister_ = std::thread([this, runner = tools.simulator] {
        std::vector<BoardChip> parts = ListAvrParts(runner);
        QMetaObject::invokeMethod(
            this, [this, parts = std::move(parts)]() mutable { AddAvrParts(std::move(parts)); },
            Qt::QueuedConnection);
    });
}

void CVirtualBoardDlg::AddAvrParts(std::vector<BoardChip> parts) {
    if (parts.empty()) parts.push_back(DefaultAvrChip());
    // Also as a chip a downloader can program through its serial port.
    if (std::optional<BoardChip> withBootloader = BootloaderChipFrom(parts))
        parts.push_back(std::move(*withBootloader));
    const QString selected = chip_->currentText();
    for (BoardChip& part : parts) {
        chip_->addItem(QString::fromStdString(part.name));
        chips_.push_back(std::move(part));
    }
    partsListed_ = true;
    // A wizard may have asked for an AVR part before the list was there.
    if (nextWizard_ && !running()) {
        const WizardFirmware firmware = *nextWizard_;
        nextWizard_.reset();
        RunWizard(firmware);
    } else if (const int index = chip_->findText(selected); index >= 0) {
        chip_->setCurrentIndex(index);
    }
    emit chipsListed();
}

const BoardChip* CVirtualBoardDlg::SelectedChip() const {
    const int index = chip_->currentIndex();
    return index >= 0 && static_cast<std::size_t>(index) < chips_.size() ? &chips_[index] : nullptr;
}

bool CVirtualBoardDlg::SelectChip(const std::string& name) {
    const int index = chip_->findText(QString::fromStdString(name));
    if (index < 0) return false;
    chip_->setCurrentIndex(index);
    return true;
}

void CVirtualBoardDlg::CheckTools() {
    const BoardChip* chip = SelectedChip();
    if (!chip || running()) return;
    const bool build = useWizard_->isChecked() || file_->text().endsWith(QStringLiteral(".c"));
    const BoardTools tools = FindBoardTools(*chip, build, setup_.search);
    const std::string missing = DescribeMissing(tools);
    start_->setEnabled(missing.empty());
    SetStatus(missing.empty() ? Text(t::kIdle) : QString::fromStdString(missing).trimmed());
}

void CVirtualBoardDlg::ShowLearnBoard() {
    const BoardChip* chip = SelectedChip();
    learn_->setVisible(chip != nullptr);
    if (chip) learn_->SetChip(*chip);
}

void CVirtualBoardDlg::Browse() {
    const BoardChip* chip = SelectedChip();
    const bool avr = chip && chip->family == ChipFamily::Avr;
    const QString filter =
        Text(avr ? t::kAvrFilter : t::kMcs51Filter) + QStringLiteral(";;") + Text(t::kAnyFileFilter);
    const QString chosen =
        QFileDialog::getOpenFileName(this, Text(t::kFileDialogTitle), file_->text(), filter);
    if (!chosen.isEmpty()) file_->setText(chosen);
}

void CVirtualBoardDlg::SetStatus(const QString& text) {
    status_->ShowStatus(text);
}

void CVirtualBoardDlg::ShowRunning(bool running) {
    for (QWidget* control :
         std::initializer_list<QWidget*>{chip_, clock_, useWizard_, useFile_, file_, browse_})
        control->setEnabled(!running);
    start_->setEnabled(!running);
    stop_->setEnabled(running);
    reset_->setEnabled(running && runningChip_.family == ChipFamily::Avr);
    if (!running) CheckTools();
}

void CVirtualBoardDlg::AppendOutput(const QString& text) {
    QTextCursor end(output_->document());
    end.movePosition(QTextCursor::End);
    end.insertText(text);
    output_->ensureCursorVisible();
}

void CVirtualBoardDlg::RefreshPins() {
    pins_->Show(session_.pins().Snapshot(), session_.pins().History());
}

void CVirtualBoardDlg::closeEvent(QCloseEvent* event) {
    Stop();
    QWidget::closeEvent(event);
}

}  // namespace viz
