// The main window's part in the virtual board: the serial page's button and
// both wizards' "在虚拟开发板中运行" open the board window, which takes the
// wizards' current code; a board a wizard started is opened on the serial
// page at the wizard's baud rate.
#include "app/VizuruvDlg.h"

#include <QTabWidget>

#include "board/VirtualBoardDlg.h"
#include "serial/ComDlg.h"
#include "wizards/avr/McuAvrDlg.h"
#include "wizards/c51/Mcu51GuideDlg.h"

namespace viz {
namespace {

constexpr int kSerialTab = 0;
constexpr int kMcu51Tab = 6;
constexpr int kAvrTab = 7;

}  // namespace

void CVizuruvDlg::WirePage(int tabIndex, CPage* page) {
    if (tabIndex == kSerialTab) {
        connect(static_cast<CComDlg*>(page), &CComDlg::virtualBoardRequested, this, [this] {
            CVirtualBoardDlg* board = Board();
            board->show();
            board->raise();
            board->activateWindow();
        });
    } else if (tabIndex == kMcu51Tab) {
        connect(static_cast<CMcu51GuideDlg*>(page), &CMcu51GuideDlg::runOnVirtualBoard, this,
                [this](const WizardFirmware& firmware) { Board()->RunWizard(firmware); });
    } else if (tabIndex == kAvrTab) {
        connect(static_cast<CMcuAvrDlg*>(page), &CMcuAvrDlg::runOnVirtualBoard, this,
                [this](const WizardFirmware& firmware) { Board()->RunWizard(firmware); });
    }
}

CVirtualBoardDlg* CVizuruvDlg::Board() {
    if (board_) return board_;
    VirtualBoardSetup setup;
    setup.search = DefaultToolSearch();
    setup.wizardCode = [this](ChipFamily family) {
        return family == ChipFamily::Mcs51
                   ? static_cast<CMcu51GuideDlg*>(page(kMcu51Tab))->BoardFirmware().source
                   : static_cast<CMcuAvrDlg*>(page(kAvrTab))->BoardFirmware().source;
    };
    board_ = new CVirtualBoardDlg(context_, std::move(setup), this);
    connect(board_, &CVirtualBoardDlg::portReady, this, [this](const QString& path, quint32 baud) {
        if (baud == 0) return;
        static_cast<CComDlg*>(page(kSerialTab))->OpenBoardPort(path, baud);
        tabs_->setCurrentIndex(kSerialTab);
    });
    return board_;
}

}  // namespace viz
