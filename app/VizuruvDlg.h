#pragma once

#include <QMainWindow>

#include <functional>
#include <memory>
#include <vector>

#include "app/StartupSettings.h"

class QTabWidget;

namespace viz {

class CComDlg;
class CMcu51GuideDlg;
class CMcuAvrDlg;
class CPage;
class CStartupNotices;
class CVirtualBoardDlg;
class PageContext;

// The main window: twelve pages behind a tab strip, created once at start.
class CVizuruvDlg : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int kPageCount = 12;

    // `startUpdateThreads` runs once at start when automatic update is on;
    // without one the window starts its own version check and title notices.
    CVizuruvDlg(PageContext& context, std::function<void()> startUpdateThreads, QWidget* parent = nullptr);
    ~CVizuruvDlg() override;

    QTabWidget* tabs() const { return tabs_; }
    CPage* page(int tabIndex) const;
    UpdateMode updateMode() const { return updateMode_; }

    void ShowAbout();
    // The virtual board's window, made on first use.
    CVirtualBoardDlg* Board();

protected:
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreateMenu();
    void CreatePages();
    void ConnectBoard(CComDlg* com, CMcu51GuideDlg* mcu51, CMcuAvrDlg* avr);
    void ReportSettingsNotices();

    PageContext& context_;
    QTabWidget* tabs_;
    std::vector<CPage*> pagesByTab_;
    UpdateMode updateMode_ = UpdateMode::Unknown;
    std::unique_ptr<CStartupNotices> startupNotices_;
    CVirtualBoardDlg* board_ = nullptr;
    // What the board window is made with.
    std::function<CVirtualBoardDlg*()> makeBoard_;
};

}  // namespace viz
