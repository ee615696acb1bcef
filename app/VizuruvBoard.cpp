// The main window's part in the virtual board and the download window: the
// serial page's buttons and both wizards' "在虚拟开发板中运行" and "下载到芯片"
// open them; the board takes the wizards' current code, the download window
// the same code built as the board builds it. A board a wizard started is
// opened on the serial page at the wizard's baud rate. A download to the
// board's port resets the board's chip into its bootloader first.
#include "app/VizuruvDlg.h"

#include <QTabWidget>

#include "app/WizardDownload.h"
#include "base/ExtraSerialPorts.h"
#include "board/VirtualBoardDlg.h"
#include "flash/FlashDlg.h"
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
        connect(PageAs<PageId::Serial>(page), &CComDlg::downloadRequested, this,
                [this](const QString& port, quint32 baud) {
                    CFlashDlg* window = Download();
                    window->SetPort(port);
                    window->SetBaud(baud);
                });
    } else if (id == PageId::C51) {
        connect(PageAs<PageId::C51>(page), &CMcu51GuideDlg::runOnVirtualBoard, this,
                [this](const WizardFirmware& firmware) { Board()->RunWizard(firmware); });
        connect(PageAs<PageId::C51>(page), &CMcu51GuideDlg::downloadToChip, this,
                [this](const WizardFirmware& firmware) { BuildForDownload(firmware); });
    } else if (id == PageId::Avr) {
        connect(PageAs<PageId::Avr>(page), &CMcuAvrDlg::runOnVirtualBoard, this,
                [this](const WizardFirmware& firmware) { Board()->RunWizard(firmware); });
        connect(PageAs<PageId::Avr>(page), &CMcuAvrDlg::downloadToChip, this,
                [this](const WizardFirmware& firmware) { BuildForDownload(firmware); });
    }
}

void CVizuruvDlg::BuildForDownload(const WizardFirmware& firmware) {
    CFlashDlg* window = Download();
    wizardDownload_->Build(firmware, window);
}

CFlashDlg* CVizuruvDlg::Download() {
    if (!wizardDownload_) wizardDownload_ = new CWizardDownload(DefaultToolSearch(), this);
    CFlashDlg* window = CFlashDlg::Open(context_, this);
    window->setBeforeTool([this](const std::string& port) { ResetBoardFor(port); });
    return window;
}

// A pty has no DTR for the downloader to pulse, so the board is told to
// reset; its chip then waits in the bootloader for the downloader's first byte.
void CVizuruvDlg::ResetBoardFor(const std::string& port) {
    if (!board_) return;
    for (const ExtraSerialPort& extra : context_.extraSerialPorts().ports())
        if (extra.id == CVirtualBoardDlg::kPortId && extra.path == port) board_->session().ResetChip();
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
