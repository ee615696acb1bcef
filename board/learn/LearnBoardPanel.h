#pragma once

// The learning board beside the board window's pin lamps: the board picture
// ("学习板"), its wiring ("接线") and the logic analyser ("逻辑分析"), over
// one SharedBoard that the running simulator feeds.
//
//   auto* panel = new CLearnBoardPanel(context.settings(), parent);
//   panel->SetChip(chip);                    // the chip chosen in the window
//   LearnLink link(panel->board());          // handed to the running simulator

#include <QWidget>

#include "base/SettingsStore.h"
#include "board/parts/SharedBoard.h"

class QLabel;
class QPushButton;
class QTabWidget;

namespace viz {

class CLearnBoardView;
class CLogicView;
class CWiringTable;

class CLearnBoardPanel : public QWidget {
    Q_OBJECT

public:
    CLearnBoardPanel(SettingsStore& settings, QWidget* parent);

    void SetFamily(ChipFamily family);
    // The board of the chip's family; a note names the ports the wiring
    // uses that the chip does not have.
    void SetChip(const BoardChip& chip);
    // Says above the tabs why the running chip does not feed the board
    // (empty: it does, or nothing runs).
    void ShowFault(const QString& text);
    SharedBoard& board() { return board_; }

    QTabWidget* tabs() const { return tabs_; }
    CLearnBoardView* view() const { return view_; }
    CWiringTable* wiring() const { return wiring_; }
    CLogicView* logic() const { return logic_; }
    QPushButton* traceButton() const { return trace_; }
    QLabel* fault() const { return fault_; }

private:
    QWidget* BuildLogicTab();
    void ToggleTrace();
    // Every pin the wiring uses, once, named as the chip names it.
    std::vector<TraceChannel> WiredPins() const;
    void ShowMissingPorts();

    SharedBoard board_;
    QTabWidget* tabs_ = nullptr;
    CLearnBoardView* view_ = nullptr;
    CWiringTable* wiring_ = nullptr;
    CLogicView* logic_ = nullptr;
    QPushButton* trace_ = nullptr;
    QLabel* traceState_ = nullptr;
    QLabel* missing_ = nullptr;
    BoardChip chip_;
    QLabel* fault_ = nullptr;
    bool tracing_ = false;
};

}  // namespace viz
