#pragma once

#include <QDir>

#include "Peers.h"

namespace viz {
class CVizuruvDlg;
class SettingsStore;
}  // namespace viz

namespace viz::screenshots {

// Puts the pages into the state of an ordinary working session before they
// are pictured: a board talking on the serial page, boards connected to the
// server page, a font table made, 8051 timers set up, and so on. Links go to
// a pseudo-terminal and to 127.0.0.1 only.
class Scenes {
public:
    // Files the pages are given (a BMP picture) are made in `work`.
    explicit Scenes(const QDir& work);

    // Values the pages read when they are built: local addresses and ports.
    void PrepareSettings(SettingsStore& store);
    // Builds every page and sets it up; false (with a message on standard
    // error) when a page did not reach its state.
    bool Stage(CVizuruvDlg& window);
    // Runs the 8051 wizard's code on the virtual board, as its button does,
    // and returns the board's window once the board runs; null (with a
    // message) when it does not start.
    QWidget* RunBoard(CVizuruvDlg& window);
    // Opens the serial page's plot window ("波形显示"), lets the board print
    // three channels of readings and pauses the plot, as a user does before
    // exporting; returns the window, or null (with a message).
    QWidget* ShowPlot(CVizuruvDlg& window);

private:
    bool StageServer(CVizuruvDlg& window);
    bool StageNet(CVizuruvDlg& window);
    bool ServerAnswers(CVizuruvDlg& window);
    bool StageSerial(CVizuruvDlg& window);
    void StageTools(CVizuruvDlg& window);
    void StageC51(CVizuruvDlg& window);
    void StageAvr(CVizuruvDlg& window);
    void StageCheck(CVizuruvDlg& window);
    void StageEncoding(CVizuruvDlg& window);
    bool StageBitmap(CVizuruvDlg& window);

    QDir work_;
    Peers peers_;
    int serverPort_ = 0;
    int udpPort_ = 0;
};

}  // namespace viz::screenshots
