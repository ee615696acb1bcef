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

void CVizuruvDlg::WirePage(PageId id, CPage* page) {
    if (id == PageId::Serial) {
        connect(PageAs<PageId::Serial>(page), &CComDlg::virtualBoardRequested, this, [this] {
            CVirtualBoardDlg* board = Board();
            board->show();
            board->raise();
            board->activateWindow();
        });
    } else if (id == PageId::C51) {
        connect(PageAs<PageId::C51>(page), &CMcu51GuideDlg::runOnVirtualBoard, this,
                [this](const WizardFirmware& firmware) { Board()->RunWizard(firmware); });
    } else if (id == PageId::Avr) {
        connect(PageAs<PageId::Avr>(page), &CMcuAvrDlg::runOnVirtualBoard, this,
                [this](const WizardFirmware& firmware) { Board()->RunWizard(firmware); });
    }
}

CVirtualBoardDlg* CVizuruvDlg::Board() {
    if (board_) return board_;
    VirtualBoardSetup setup;
    setup.search = DefaultToolSearch();
    setup.wizardCode = [this](ChipFamily family) {
        return family == ChipFamily::Mcs51 ? PageAs<PageId::C51>(page(PageId::C51))->BoardFirmware().source
                                           : PageAs<PageId::Avr>(page(PageId::Avr))->BoardFirmware().source;
    };
    board_ = new CVirtualBoardDlg(context_, std::move(setup), this);
    connect(board_, &CVirtualBoardDlg::portReady, this, [this](const QString& path, quint32 baud) {
        if (baud == 0) return;
        PageAs<PageId::Serial>(page(PageId::Serial))->OpenBoardPort(path, baud);
        tabs_->setCurrentIndex(TabOf(PageId::Serial));
    });
    return board_;
}

}  // namespace viz
