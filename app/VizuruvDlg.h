#pragma once

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "app/GuideOpener.h"
#include "app/PageTable.h"
#include "app/StartupSettings.h"
#include "base/WizardFirmware.h"

class QTabWidget;

namespace viz {

class CPage;
class CPageHolder;
class CStartupNotices;
class CFlashDlg;
class CVirtualBoardDlg;
class CWizardDownload;
class PageContext;

// The main window: twelve pages behind a tab strip. A page is built when
// its tab is first shown (or when asked for), and then lives until the
// window closes, so it keeps its state while hidden; the window comes up
// without waiting for pages nobody has looked at.
class CVizuruvDlg : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int kPageCount = viz::kPageCount;

    // `startUpdateThreads` runs once at start when automatic update is on;
    // without one the window starts its own version check and title notices.
    CVizuruvDlg(PageContext& context, std::function<void()> startUpdateThreads, QWidget* parent = nullptr);
    ~CVizuruvDlg() override;

    QTabWidget* tabs() const { return tabs_; }
    // The page behind a tab, built now if it was not yet; null outside 0..11.
    CPage* page(int tabIndex);
    CPage* page(PageId id) { return page(TabOf(id)); }
    bool pageBuilt(int tabIndex) const;
    UpdateMode updateMode() const { return updateMode_; }

    void ShowAbout();
    // Tests look for the guide from their own folder and open nothing.
    void setGuideOpener(CGuideOpener opener) { guide_ = std::move(opener); }
    // The virtual board's window, made on first use.
    CVirtualBoardDlg* Board();
    // The program's one download window, made on first use.
    CFlashDlg* Download();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreateMenu();
    void CreateTabs();
    void BuildPagesThatWorkFromStart();
    // The board and download windows are opened from the serial page and both wizards.
    void WirePage(PageId id, CPage* page);
    // "下载到芯片": the download window, with the wizard's code built for it.
    void BuildForDownload(const WizardFirmware& firmware);
    // A download to the virtual board's port resets its chip into the bootloader.
    void ResetBoardFor(const std::string& port);
    void ReportSettingsNotices();

    PageContext& context_;
    QTabWidget* tabs_;
    // Each tab shows a holder its page is built into, so the tab exists
    // (caption, keyboard order) before its page does.
    std::array<CPageHolder*, kPageCount> holders_{};
    bool drawn_ = false;
    UpdateMode updateMode_ = UpdateMode::Unknown;
    std::unique_ptr<CStartupNotices> startupNotices_;
    CVirtualBoardDlg* board_ = nullptr;
    CGuideOpener guide_;
    // Builds a wizard's code for "下载到芯片".
    CWizardDownload* wizardDownload_ = nullptr;
};

}  // namespace viz
