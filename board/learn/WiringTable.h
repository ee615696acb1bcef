#pragma once

// The learning board's wiring table (part, signal, pin) for the two
// built-in boards. A pin is edited in place ("P1.5", "PB3", empty for not
// connected), as are the display's common side and digit select; every
// change is saved in the settings store at once, per board, and
// "恢复默认接线" brings the built-in wiring back.
//
//   auto* wiring = new CWiringTable(context.settings(), parent);
//   wiring->SetFamily(ChipFamily::Avr);          // the saved AVR wiring
//   connect(wiring, &CWiringTable::layoutChanged, ...);

#include <QWidget>

#include "base/SettingsStore.h"
#include "board/parts/BoardLayout.h"

class QComboBox;
class QLabel;
class QLayout;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;

namespace viz {

class CWiringTable : public QWidget {
    Q_OBJECT

public:
    CWiringTable(SettingsStore& settings, QWidget* parent);

    void SetFamily(ChipFamily family);
    const BoardLayout& layout() const { return layout_; }

    QComboBox* board() const { return board_; }
    QTableWidget* table() const { return table_; }
    QPushButton* restore() const { return restore_; }
    QLabel* status() const { return status_; }
    QComboBox* digitsCommon() const { return common_; }
    QComboBox* digitsSelect() const { return select_; }

signals:
    void layoutChanged(const viz::BoardLayout& layout);

private:
    // The saved wiring of `family` over the built-in one.
    BoardLayout Load(ChipFamily family);
    void Save();
    void Fill();
    void PinEdited(QTableWidgetItem* item);
    void Restore();
    QLayout* BuildDigitOptions();
    void DigitOptionChanged();

    SettingsStore& settings_;
    BoardLayout layout_;
    QComboBox* board_ = nullptr;
    QComboBox* common_ = nullptr;
    QComboBox* select_ = nullptr;
    QTableWidget* table_ = nullptr;
    QPushButton* restore_ = nullptr;
    QLabel* status_ = nullptr;
    bool filling_ = false;
};

}  // namespace viz
