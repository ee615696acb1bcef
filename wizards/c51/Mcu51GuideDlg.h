#pragma once

#include <array>
#include <functional>
#include <cstddef>
#include <string>

#include "base/Page.h"
#include "base/WizardFirmware.h"
#include "wizards/c51/Mcu51CodeGen.h"
#include "wizards/c51/Mcu51Model.h"

class QComboBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

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
    // The code as SDCC builds it, with the chip, machine clock and baud rate it is set up for.
    WizardFirmware BoardFirmware();

signals:
    void runOnVirtualBoard(const viz::WizardFirmware& firmware);
    // "下载到芯片": the same code, built as the board builds it, for the download window.
    void downloadToChip(const viz::WizardFirmware& firmware);

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
    QHBoxLayout* BuildCompilerRow(QWidget* parent);

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
    // The chosen compiler's project: Keil's uVision project or SDCC's Makefile.
    void ExportProject();
    void SelectCompiler(int index);
    std::string BuildCode();
    void ShowMessage(const char* text);

    Mcu51Model model_;
    Mcu51Compiler compiler_ = Mcu51Compiler::Keil;

    std::array<QLabel*, 4> portLabels_{};
    std::array<QLabel*, 13> registerLabels_{};
    std::array<QLabel*, 3> unitLabels_{};
    QLineEdit* delayEdit_ = nullptr;
    QPushButton* exportButton_ = nullptr;
    QPlainTextEdit* logBox_ = nullptr;
    unsigned shownLogGeneration_ = 0;
    std::size_t shownLogLength_ = 0;
};

}  // namespace viz
