// Keyboard and screen-reader use of the whole window: every page behind the
// tabs (pages added later are walked too) and the dialogs the pages open.
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "AccessibilityWalk.h"
#include "LocalHttpServer.h"
#include "PageTestSupport.h"
#include "app/AboutDlg.h"
#include "app/VizuruvDlg.h"
#include "base/SoftConfigureDlg.h"
#include "plot/PlotWindow.h"
#include "terminal/HexTypeDlg.h"
#include "terminal/MoreSendDialog.h"
#include "terminal/PortMonitorDialog.h"
#include "terminal/ProcessDlg.h"
#include "terminal/ViewEditDlg.h"
#include "update/UpdateDlg.h"
#include "wizards/c51/Mcu51GuideCodeViewDlg.h"

namespace viz {
namespace {

class AccessibilityTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(host.store.WriteMakerInfo(), 0);
        ASSERT_EQ(host.store.WriteAutoUpdate(0), 0);  // nothing goes to the network
        window = std::make_unique<CVizuruvDlg>(host.context, nullptr);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    // Runs `check` on the main window with each tab shown in turn, adding
    // the tab's caption to what it reports.
    QStringList ForEveryPage(const std::function<QStringList(QWidget*)>& check) {
        QStringList found;
        QTabWidget* tabs = window->tabs();
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            QApplication::processEvents();
            for (const QString& entry : check(window.get())) found.append(tabs->tabText(i) + ": " + entry);
        }
        return found;
    }

    // The dialogs the pages and the shell open, each shown as the user sees it.
    std::vector<std::unique_ptr<QWidget>> OpenDialogs() {
        std::vector<std::unique_ptr<QWidget>> dialogs;
        dialogs.push_back(std::make_unique<CAboutDlg>());
        dialogs.push_back(std::make_unique<CSoftConfigureDlg>(host.store));
        dialogs.push_back(std::make_unique<CPortMonitorDialog>(QStringLiteral("伪串口监视器"), "/dev/ttyS0"));
        for (MoreSendKind kind : {MoreSendKind::Serial, MoreSendKind::Network}) {
            dialogs.push_back(std::make_unique<CMoreSendDialog>(host.store, kind, QStringLiteral("多项发送"),
                                                                nullptr, nullptr));
        }
        dialogs.push_back(std::make_unique<CViewEditDlg>(QStringLiteral("数据查看")));
        dialogs.push_back(std::make_unique<CPlotWindow>(host.store, MoreSendKind::Serial,
                                                        std::vector<CReceiveArea*>{}, nullptr));
        dialogs.push_back(std::make_unique<CHexTypeDlg>());
        dialogs.push_back(std::make_unique<CProcessDlg>(QStringLiteral("串口发送文件进度")));
        dialogs.push_back(std::make_unique<CMcu51GuideCodeViewDlg>(QStringLiteral("void main(void) {}")));
        dialogs.push_back(std::make_unique<CUpdateDlg>(
            UpdateServers{testing::UnreachableBase(), testing::UnreachableBase()}));
        for (auto& dialog : dialogs) dialog->show();
        return dialogs;
    }

    testing::PageHost host;
    std::unique_ptr<CVizuruvDlg> window;
};

TEST_F(AccessibilityTest, EveryFocusableControlOnEveryPageAndDialogHasAName) {
    const QStringList unnamed = ForEveryPage(&testing::UnnamedFocusableControls);
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join('\n').toStdString();

    for (const auto& dialog : OpenDialogs()) {
        const QStringList inDialog = testing::UnnamedFocusableControls(dialog.get());
        EXPECT_TRUE(inDialog.isEmpty()) << dialog->windowTitle().toStdString() << ":\n"
                                        << inDialog.join('\n').toStdString();
    }
}

TEST_F(AccessibilityTest, EveryLabelOnEveryPageAndDialogIsHeardAsItIsShown) {
    const QStringList unheard = ForEveryPage(&testing::UnheardLabels);
    EXPECT_TRUE(unheard.isEmpty()) << unheard.join('\n').toStdString();

    for (const auto& dialog : OpenDialogs()) {
        const QStringList inDialog = testing::UnheardLabels(dialog.get());
        EXPECT_TRUE(inDialog.isEmpty()) << dialog->windowTitle().toStdString() << ":\n"
                                        << inDialog.join('\n').toStdString();
    }
}

TEST_F(AccessibilityTest, TabAndShiftTabLeaveEveryMultiLineEdit) {
    const QStringList kept = ForEveryPage(&testing::EditsThatKeepTab);
    EXPECT_TRUE(kept.isEmpty()) << kept.join('\n').toStdString();

    for (const auto& dialog : OpenDialogs()) {
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get())) << dialog->windowTitle().toStdString();
        const QStringList inDialog = testing::EditsThatKeepTab(dialog.get());
        EXPECT_TRUE(inDialog.isEmpty()) << dialog->windowTitle().toStdString() << ":\n"
                                        << inDialog.join('\n').toStdString();
    }
}

}  // namespace
}  // namespace viz
