#pragma once

#include <array>
#include <functional>
#include <cstddef>

#include "base/Page.h"
#include "wizards/c51/Mcu51Model.h"

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace viz {

// "C51代码向导": the 8051/8052 registers set up with check boxes and lists,
// timer and baud reloads computed from the crystal, one log sentence per
// change, and the result previewed or written as C source, a project or a
// delay loop.
class CMcu51GuideDlg : public CPage {
    Q_OBJECT

public:
    CMcu51GuideDlg(PageContext& context, QWidget* parent);

    const Mcu51Model& model() const { return model_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* BuildPorts();
    QWidget* BuildInterrupts();
    QWidget* BuildTimers();
    QWidget* BuildSerial();
    QWidget* BuildClock();
    QWidget* BuildButtons();
    QWidget* BuildRegisters();
    QWidget* BuildLog();

    QComboBox* AddList(const char* name, const char* const* items, int count, int start);
    void AddSwitch(QGridLayout* grid, int row, int column, const char* text, Mcu51Switch box,
                   const char* name);
    // Runs a change on the model, then shows what it did.
    void Apply(const std::function<void()>& change);
    void RefreshRegisters();
    void SyncLog();

    void ViewCode();
    void ViewDelay();
    void SaveCode();
    void ExportKeil();
    void ShowMessage(const char* text);

    Mcu51Model model_;

    std::array<QLabel*, 4> portLabels_{};
    std::array<QLabel*, 13> registerLabels_{};
    std::array<QLabel*, 3> unitLabels_{};
    QLineEdit* delayEdit_ = nullptr;
    QPlainTextEdit* logBox_ = nullptr;
    unsigned shownLogGeneration_ = 0;
    std::size_t shownLogLength_ = 0;
};

}  // namespace viz
