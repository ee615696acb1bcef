#pragma once

#include <QWidget>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/PageContext.h"
#include "base/WizardFirmware.h"
#include "board/BoardChip.h"
#include "board/BoardSession.h"
#include "board/BoardTools.h"

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace viz {

class CLearnBoardPanel;
class CPinView;
class CStatusLabel;

// Where the board window finds its programs and the wizards' current code.
struct VirtualBoardSetup {
    ToolSearch search;
    std::function<std::string(ChipFamily)> wizardCode;
};

// PATH, and the AVR runner beside the program when it is there.
ToolSearch DefaultToolSearch();

// "虚拟开发板": a simulated 8051 or AVR running the wizard's code or a
// firmware file, its UART offered to the serial page as a port, its port
// levels shown as lamps. Closing the window stops the board.
class CVirtualBoardDlg : public QWidget, private BoardListener {
    Q_OBJECT

public:
    // The serial port id the board's UART is offered under.
    static constexpr char kPortId[] = "virtual-board";

    CVirtualBoardDlg(PageContext& context, VirtualBoardSetup setup, QWidget* parent);
    ~CVirtualBoardDlg() override;

    // Shows the window and runs `firmware` (restarting a running board);
    // the serial page is asked to open the port at the wizard's baud rate.
    void RunWizard(const WizardFirmware& firmware);
    void Start();
    void Stop();

    bool running() const { return session_.running(); }
    BoardSession& session() { return session_; }
    CPinView* pinView() const { return pins_; }
    // The learning board beside the lamps; hidden while an AVR chip is chosen.
    CLearnBoardPanel* learnPanel() const { return learn_; }
    QPlainTextEdit* output() const { return output_; }
    CStatusLabel* status() const { return status_; }
    QPushButton* startButton() const { return start_; }
    QPushButton* resetButton() const { return reset_; }

signals:
    // The board's UART is up at `path`; `baud` is the rate to open it at,
    // 0 when the user opens it.
    void portReady(const QString& path, quint32 baud);
    // The AVR parts the runner knows are in the chip list.
    void chipsListed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* BuildSetup();
    void ListAvrPartsLater();
    void AddAvrParts(std::vector<BoardChip> parts);
    const BoardChip* SelectedChip() const;
    bool SelectChip(const std::string& name);
    // Start stays off while a program the board needs is missing.
    void CheckTools();
    // The learning board follows the chosen chip's family.
    void ShowLearnBoard();
    void Browse();
    void SetStatus(const QString& text);
    void ShowRunning(bool running);
    void AppendOutput(const QString& text);
    void RefreshPins();

    // On the board's thread.
    void OnOutput(const std::string& text) override;
    void OnSimulatorProcess(int pid) override;
    void OnReady(const std::string& portPath) override;
    void OnSpeed(double ratio) override;
    void OnLearnBoardUnfed(int error) override;
    void OnPhase(BoardPhase phase) override;
    void OnEnded(const BoardOutcome& outcome) override;

    void Ready(std::uint64_t run, const QString& path);
    void ShowRunningStatus();
    void Ended(std::uint64_t run, const BoardOutcome& outcome);

    PageContext& context_;
    const VirtualBoardSetup setup_;
    std::vector<BoardChip> chips_;
    bool partsListed_ = false;
    // Asks the AVR runner for its parts while the window is up.
    std::thread lister_;
    // Counts runs, so news of an earlier run is dropped.
    std::atomic<std::uint64_t> run_{0};
    // What the running board was started with.
    BoardChip runningChip_;
    std::uint32_t runningClock_ = 0;
    std::uint32_t openBaud_ = 0;
    // The running board's port, and its speed while it falls behind the clock.
    QString runningPort_;
    std::optional<int> slowPercent_;
    // Why the running chip does not feed the learning board; empty when it does.
    QString learnFault_;
    // A wizard's code waiting for the running board to end.
    std::optional<WizardFirmware> nextWizard_;
    std::optional<WizardFirmware> wizard_;

    QComboBox* chip_ = nullptr;
    QLineEdit* clock_ = nullptr;
    QRadioButton* useWizard_ = nullptr;
    QRadioButton* useFile_ = nullptr;
    QLineEdit* file_ = nullptr;
    QPushButton* browse_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* reset_ = nullptr;
    CStatusLabel* status_ = nullptr;
    QPlainTextEdit* output_ = nullptr;
    CPinView* pins_ = nullptr;
    CLearnBoardPanel* learn_ = nullptr;
    QTimer* pinTimer_ = nullptr;
    // Last, so it is the first to go: its thread ends before anything it tells.
    BoardSession session_;
};

}  // namespace viz
