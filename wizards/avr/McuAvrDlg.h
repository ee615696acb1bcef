#pragma once

#include "base/Page.h"
#include "base/WizardFirmware.h"
#include "wizards/avr/AvrUartWizard.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace viz {

// The AVR code wizard: the ATmega16 baud-rate register and a serial program around it.
class CMcuAvrDlg : public CPage {
    Q_OBJECT

public:
    CMcuAvrDlg(PageContext& context, QWidget* parent);

    // The generated program for the ATmega16 at the typed clock and chosen baud rate.
    WizardFirmware BoardFirmware();

signals:
    void runOnVirtualBoard(const viz::WizardFirmware& firmware);
    // "下载到芯片": the same code, built as the board builds it, for the download window.
    void downloadToChip(const viz::WizardFirmware& firmware);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Calculate();
    void GenerateCode();

    Ubrr ubrr_;
    QLineEdit* frequency_;
    QComboBox* baud_;
    QLabel* result_;
    QPlainTextEdit* code_;
};

}  // namespace viz
