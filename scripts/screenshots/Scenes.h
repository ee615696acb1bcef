#pragma once

#include <QDir>

#include <filesystem>
#include <memory>

#include "Peers.h"

namespace viz {
class CVizuruvDlg;
class PageContext;
class SettingsStore;
}  // namespace viz

namespace viz::testing {
class FakeHidTree;
}  // namespace viz::testing

namespace viz::screenshots {

// Puts the pages into the state of an ordinary working session before they
// are pictured: a board talking on the serial page, boards connected to the
// server page, a font table made, 8051 timers set up, and so on. Links go to
// a pseudo-terminal and to 127.0.0.1 only.
class Scenes {
public:
    // Files the pages are given (a BMP picture) are made in `work`.
    explicit Scenes(const QDir& work);
    ~Scenes();

    // Values the pages read when they are built: local addresses and ports.
    void PrepareSettings(SettingsStore& store);
    // Builds every page and sets it up; false (with a message on standard
    // error) when a page did not reach its state. `context` is the window's.
    bool Stage(CVizuruvDlg& window, PageContext& context);
    // Runs the 8051 wizard's code on the virtual board, as its button does,
    // and returns the board's window once the board runs; null (with a
    // message) when it does not start.
    QWidget* RunBoard(CVizuruvDlg& window);
    // Opens the serial page's plot window ("波形显示"), lets the board print
    // three channels of readings and pauses the plot, as a user does before
    // exporting; returns the window, or null (with a message).
    QWidget* ShowPlot(CVizuruvDlg& window);
    // Opens the download window ("下载程序") and lets it download a firmware
    // file to an AVR with a serial bootloader, avrdude's stand-in answering
    // as a chip does; returns the window once the check passed, or null.
    QWidget* ShowFlash(CVizuruvDlg& window);
    // Runs a firmware of its own on the virtual board that lights the
    // learning board's LCD, digits and LEDs; returns the board's window
    // once they show, or null (with a message).
    QWidget* RunLearnBoard(CVizuruvDlg& window);

private:
    bool StageServer(CVizuruvDlg& window);
    bool StageNet(CVizuruvDlg& window);
    bool ServerAnswers(CVizuruvDlg& window);
    bool StageSerial(CVizuruvDlg& window);
    bool StageUsb(CVizuruvDlg& window);
    bool StageMonitor(CVizuruvDlg& window);
    void StageTools(CVizuruvDlg& window);
    void StageC51(CVizuruvDlg& window);
    void StageAvr(CVizuruvDlg& window);
    void StageCheck(CVizuruvDlg& window);
    void StageEncoding(CVizuruvDlg& window);
    bool StageBitmap(CVizuruvDlg& window);

    QDir work_;
    PageContext* context_ = nullptr;
    Peers peers_;
    // The sysfs tree the USB page finds its board in.
    std::unique_ptr<testing::FakeHidTree> hidTree_;
    // The monitor helper's socket; the helper is ended with the scenes.
    std::filesystem::path monitorSocket_;
    int serverPort_ = 0;
    int udpPort_ = 0;
};

}  // namespace viz::screenshots
