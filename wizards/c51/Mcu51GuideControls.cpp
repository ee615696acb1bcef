// The wizard page's controls: built with their start state, wired to the model.
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "wizards/c51/Mcu51GuideDlg.h"
#include "wizards/c51/Mcu51GuideTexts.h"

namespace viz {

namespace {

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QLabel* Label(const char* text, QWidget* parent) {
    return new QLabel(Text(text), parent);
}

}  // namespace

QComboBox* CMcu51GuideDlg::AddList(const char* name, const char* const* items, int count, int start) {
    auto* list = new QComboBox(this);
    list->setObjectName(QString::fromLatin1(name));
    for (int i = 0; i < count; ++i) list->addItem(Text(items[i]));
    // The start selection matches the image's start values; it is not a change.
    list->setCurrentIndex(start);
    return list;
}

void CMcu51GuideDlg::AddSwitch(QGridLayout* grid, int row, int column, const char* text, Mcu51Switch box,
                               const char* name) {
    auto* check = new QCheckBox(Text(text), this);
    check->setObjectName(QString::fromLatin1(name));
    connect(check, &QCheckBox::clicked, this, [this, box] { Apply([this, box] { model_.Toggle(box); }); });
    grid->addWidget(check, row, column);
}

QWidget* CMcu51GuideDlg::BuildPorts() {
    auto* group = new QGroupBox(this);
    auto* grid = new QGridLayout(group);
    for (int column = 0; column < 8; ++column) {
        grid->addWidget(Label(mcu51text::kBitHeaders[column], group), 0, column + 1, Qt::AlignCenter);
    }
    for (int port = 0; port < 4; ++port) {
        portLabels_[port] = new QLabel(group);
        portLabels_[port]->setObjectName(QStringLiteral("portLabel%1").arg(port));
        grid->addWidget(portLabels_[port], port + 1, 0);
        for (int bit = 7; bit >= 0; --bit) {
            auto* check = new QCheckBox(group);
            check->setObjectName(QStringLiteral("port%1bit%2").arg(port).arg(bit));
            check->setAccessibleName(QStringLiteral("P%1.%2").arg(port).arg(bit));
            connect(check, &QCheckBox::clicked, this,
                    [this, port, bit] { Apply([this, port, bit] { model_.TogglePortBit(port, bit); }); });
            grid->addWidget(check, port + 1, 8 - bit, Qt::AlignCenter);
        }
    }
    return group;
}

QWidget* CMcu51GuideDlg::BuildInterrupts() {
    auto* group = new QGroupBox(this);
    auto* grid = new QGridLayout(group);
    AddSwitch(grid, 0, 0, mcu51text::kGlobalInterruptBox, Mcu51Switch::GlobalInterrupt, "globalInterrupt");
    grid->addWidget(Label(mcu51text::kHighPriority, group), 0, 1);
    constexpr std::array<const char*, 6> kEnableNames = {"ext0Interrupt",   "timer0Interrupt",
                                                         "ext1Interrupt",   "timer1Interrupt",
                                                         "serialInterrupt", "timer2Interrupt"};
    constexpr std::array<const char*, 6> kPriorityNames = {"ext0Priority",   "timer0Priority",
                                                           "ext1Priority",   "timer1Priority",
                                                           "serialPriority", "timer2Priority"};
    for (int i = 0; i < 6; ++i) {
        AddSwitch(grid, i + 1, 0, mcu51text::kInterruptBoxes[i],
                  static_cast<Mcu51Switch>(static_cast<int>(Mcu51Switch::Ext0Interrupt) + i),
                  kEnableNames[i]);
        AddSwitch(grid, i + 1, 1, "",
                  static_cast<Mcu51Switch>(static_cast<int>(Mcu51Switch::Ext0Priority) + i),
                  kPriorityNames[i]);
        findChild<QCheckBox*>(QLatin1String(kPriorityNames[i]))
            ->setAccessibleName(Text(mcu51text::kHighPriority) + QLatin1Char(' ') +
                                Text(mcu51text::kInterruptBoxes[i]));
    }
    for (int interrupt = 0; interrupt < 2; ++interrupt) {
        QComboBox* list =
            AddList(interrupt == 0 ? "trigger0" : "trigger1", mcu51text::kTriggerItems.data(), 2, 0);
        connect(list, &QComboBox::currentIndexChanged, this, [this, interrupt](int index) {
            Apply([this, interrupt, index] { model_.SelectTrigger(interrupt, index); });
        });
        // On the rows of external interrupts 0 and 1.
        grid->addWidget(list, 1 + interrupt * 2, 2);
    }
    return group;
}

QWidget* CMcu51GuideDlg::BuildTimers() {
    auto* group = new QGroupBox(this);
    auto* grid = new QGridLayout(group);
    grid->addWidget(Label(mcu51text::kCountHeader, group), 0, 3, Qt::AlignCenter);

    QComboBox* modes[3] = {
        AddList("timer0Mode", mcu51text::kTimer0ModeItems.data(), 4, 0),
        AddList("timer1Mode", mcu51text::kTimer1ModeItems.data(), 4, 0),
        AddList("timer2Mode", mcu51text::kTimer2ModeItems.data(), 3, 0),
    };
    connect(modes[0], &QComboBox::currentIndexChanged, this,
            [this](int index) { Apply([this, index] { model_.SelectTimer0Mode(index); }); });
    connect(modes[1], &QComboBox::currentIndexChanged, this,
            [this](int index) { Apply([this, index] { model_.SelectTimer1Mode(index); }); });
    connect(modes[2], &QComboBox::currentIndexChanged, this,
            [this](int index) { Apply([this, index] { model_.SelectTimer2Mode(index); }); });

    for (int timer = 0; timer < 3; ++timer) {
        const int row = timer + 1;
        grid->addWidget(Label(mcu51text::kTimerRows[timer], group), row, 0);
        grid->addWidget(modes[timer], row, 1);

        QComboBox* counter = AddList(QStringLiteral("timer%1Counter").arg(timer).toLatin1().constData(),
                                     mcu51text::kCounterItems.data(), 2, 0);
        connect(counter, &QComboBox::currentIndexChanged, this, [this, timer](int index) {
            Apply([this, timer, index] { model_.SelectCounter(timer, index); });
        });
        grid->addWidget(counter, row, 2);

        auto* count = new QLineEdit(QStringLiteral("0"), group);
        count->setObjectName(QStringLiteral("count%1").arg(timer));
        count->setAccessibleName(Text(mcu51text::kTimerRows[timer]) + Text(mcu51text::kCountHeader));
        count->setAlignment(Qt::AlignCenter);
        connect(count, &QLineEdit::textChanged, this, [this, timer](const QString& text) {
            Apply([this, timer, &text] { model_.SetCountText(timer, text.toStdString()); });
        });
        grid->addWidget(count, row, 3);

        unitLabels_[timer] = Label(mcu51text::kMicroUnit, group);
        unitLabels_[timer]->setObjectName(QStringLiteral("unit%1").arg(timer));
        grid->addWidget(unitLabels_[timer], row, 4);

        if (timer < 2) {
            AddSwitch(grid, row, 5, mcu51text::kGate,
                      timer == 0 ? Mcu51Switch::Timer0Gate : Mcu51Switch::Timer1Gate,
                      timer == 0 ? "timer0Gate" : "timer1Gate");
            findChild<QCheckBox*>(QLatin1String(timer == 0 ? "timer0Gate" : "timer1Gate"))
                ->setAccessibleName(Text(mcu51text::kTimerRows[timer]) + Text(mcu51text::kGate));
        }
        constexpr std::array<Mcu51Switch, 3> kRun = {Mcu51Switch::Timer0Run, Mcu51Switch::Timer1Run,
                                                     Mcu51Switch::Timer2Run};
        constexpr std::array<const char*, 3> kRunNames = {"timer0Run", "timer1Run", "timer2Run"};
        AddSwitch(grid, row, 6, mcu51text::kRun, kRun[timer], kRunNames[timer]);
        findChild<QCheckBox*>(QLatin1String(kRunNames[timer]))
            ->setAccessibleName(Text(mcu51text::kTimerRows[timer]) + Text(mcu51text::kRun));
    }
    grid->setColumnStretch(3, 1);
    return group;
}

QWidget* CMcu51GuideDlg::BuildSerial() {
    auto* group = new QGroupBox(this);
    auto* grid = new QGridLayout(group);
    grid->addWidget(Label(mcu51text::kSerialModeLabel, group), 0, 0);
    QComboBox* mode = AddList("serialMode", mcu51text::kSerialModeItems.data(), 4, 0);
    connect(mode, &QComboBox::currentIndexChanged, this,
            [this](int index) { Apply([this, index] { model_.SelectSerialMode(index); }); });
    grid->addWidget(mode, 0, 1);
    grid->addWidget(Label(mcu51text::kBaudLabel, group), 1, 0);
    QComboBox* baud = AddList("baud", kBaudLabels.data(), kBaudCount, kDefaultBaudIndex);
    connect(baud, &QComboBox::currentIndexChanged, this,
            [this](int index) { Apply([this, index] { model_.SelectBaud(index); }); });
    grid->addWidget(baud, 1, 1);

    constexpr std::array<Mcu51Switch, 5> kBoxes = {Mcu51Switch::SerialReceive, Mcu51Switch::Multiprocessor,
                                                   Mcu51Switch::TransmitBit9, Mcu51Switch::ReceiveBit9,
                                                   Mcu51Switch::DoubleBaud};
    constexpr std::array<const char*, 5> kNames = {"serialReceive", "multiprocessor", "transmitBit9",
                                                   "receiveBit9", "doubleBaud"};
    for (int i = 0; i < 5; ++i)
        AddSwitch(grid, 2 + i / 2, i % 2, mcu51text::kSerialBoxes[i], kBoxes[i], kNames[i]);
    return group;
}

QWidget* CMcu51GuideDlg::BuildClock() {
    auto* group = new QGroupBox(this);
    auto* grid = new QGridLayout(group);
    grid->addWidget(Label(mcu51text::kCrystalLabel, group), 0, 0);
    QComboBox* crystal = AddList("crystal", kCrystalLabels.data(), kCrystalCount, kDefaultCrystalIndex);
    connect(crystal, &QComboBox::currentIndexChanged, this,
            [this](int index) { Apply([this, index] { model_.SelectCrystal(index); }); });
    grid->addWidget(crystal, 0, 1);
    grid->addWidget(Label(mcu51text::kMegahertz, group), 0, 2);

    grid->addWidget(Label(mcu51text::kSpeedLabel, group), 1, 0);
    QComboBox* speed = AddList("speed", kSpeedLabels.data(), kSpeedCount, kDefaultSpeedIndex);
    connect(speed, &QComboBox::currentIndexChanged, this,
            [this](int index) { Apply([this, index] { model_.SelectSpeed(index); }); });
    grid->addWidget(speed, 1, 1);

    grid->addWidget(Label(mcu51text::kPowerLabel, group), 2, 0);
    QComboBox* power = AddList("powerMode", mcu51text::kPowerItems.data(), 3, 0);
    connect(power, &QComboBox::currentIndexChanged, this,
            [this](int index) { Apply([this, index] { model_.SelectPowerMode(index); }); });
    grid->addWidget(power, 2, 1);

    grid->addWidget(Label(mcu51text::kDelayLabel, group), 3, 0);
    delayEdit_ = new QLineEdit(Text(mcu51text::kDelayStart), group);
    delayEdit_->setObjectName(QStringLiteral("delayTime"));
    delayEdit_->setAccessibleName(Text(mcu51text::kDelayLabel).chopped(1) + QStringLiteral("（") +
                                  Text(mcu51text::kDelayUnit) + QStringLiteral("）"));
    delayEdit_->setAlignment(Qt::AlignCenter);
    grid->addWidget(delayEdit_, 3, 1);
    grid->addWidget(Label(mcu51text::kDelayUnit, group), 3, 2);
    return group;
}

QWidget* CMcu51GuideDlg::BuildButtons() {
    auto* panel = new QWidget(this);
    auto* column = new QVBoxLayout(panel);
    column->addLayout(BuildCompilerRow(panel));
    struct Button {
        const char* text;
        const char* tip;
        void (CMcu51GuideDlg::*action)();
    };
    const Button buttons[] = {
        {mcu51text::kViewCode, mcu51text::kViewCodeTip, &CMcu51GuideDlg::ViewCode},
        {mcu51text::kViewDelay, mcu51text::kViewDelayTip, &CMcu51GuideDlg::ViewDelay},
        {mcu51text::kSaveCode, mcu51text::kSaveCodeTip, &CMcu51GuideDlg::SaveCode},
        {mcu51text::kExportKeil, mcu51text::kExportKeilTip, &CMcu51GuideDlg::ExportProject},
    };
    for (const Button& button : buttons) {
        auto* push = new QPushButton(Text(button.text), panel);
        push->setToolTip(Text(button.tip));
        push->setAutoDefault(false);
        connect(push, &QPushButton::clicked, this, button.action);
        column->addWidget(push);
        if (button.action == &CMcu51GuideDlg::ExportProject) exportButton_ = push;
    }
    auto* board = new QPushButton(Text(mcu51text::kRunOnBoard), panel);
    board->setObjectName(QStringLiteral("runOnBoard"));
    board->setToolTip(Text(mcu51text::kRunOnBoardTip));
    board->setAutoDefault(false);
    connect(board, &QPushButton::clicked, this, [this] { emit runOnVirtualBoard(BoardFirmware()); });
    column->addWidget(board);
    auto* download = new QPushButton(Text(mcu51text::kDownloadToChip), panel);
    download->setObjectName(QStringLiteral("downloadToChip"));
    download->setToolTip(Text(mcu51text::kDownloadToChipTip));
    download->setAutoDefault(false);
    connect(download, &QPushButton::clicked, this, [this] { emit downloadToChip(BoardFirmware()); });
    column->addWidget(download);
    column->addStretch();
    // The export button names the chosen compiler's project.
    SelectCompiler(static_cast<int>(compiler_));
    return panel;
}

QWidget* CMcu51GuideDlg::BuildRegisters() {
    auto* group = new QGroupBox(Text(mcu51text::kRegisterGroup), this);
    auto* grid = new QGridLayout(group);
    for (std::size_t i = 0; i < registerLabels_.size(); ++i) {
        registerLabels_[i] = new QLabel(group);
        registerLabels_[i]->setObjectName(QString::fromLatin1(mcu51text::kRegisterNames[i]));
        grid->addWidget(registerLabels_[i], static_cast<int>(i), 0);
    }
    return group;
}

QWidget* CMcu51GuideDlg::BuildLog() {
    auto* group = new QGroupBox(Text(mcu51text::kLogGroup), this);
    auto* layout = new QVBoxLayout(group);
    logBox_ = new QPlainTextEdit(group);
    logBox_->setObjectName(QStringLiteral("log"));
    logBox_->setReadOnly(true);
    logBox_->viewport()->installEventFilter(this);
    layout->addWidget(logBox_);
    return group;
}

}  // namespace viz
