#include "app/VizuruvDlg.h"

#include <QAccessible>
#include <QMenu>
#include <QMenuBar>

#include <gtest/gtest.h>

#include "ModalCatcher.h"
#include "TempDir.h"
#include "base/PageContext.h"
#include "base/SettingsStore.h"

namespace viz {
namespace {

class GuideMenuTest : public ::testing::Test {
protected:
    testing::TempDir dir;
    SettingsStore store{dir / "Vizuruv.conf"};
    PageContext context{store};
    CVizuruvDlg window{context, [] {}};
    QList<QUrl> opened;

    QAction* GuideAction() { return window.findChild<QAction*>("guideAction"); }
    void LookFrom(const std::filesystem::path& programDir, bool desktopTakesIt = true) {
        window.setGuideOpener(CGuideOpener(programDir, [this, desktopTakesIt](const QUrl& url) {
            opened.append(url);
            return desktopTakesIt;
        }));
    }
};

// The item a beginner looks for under "帮助", read out by a screen reader.
TEST_F(GuideMenuTest, HelpMenuOffersTheGuideByName) {
    QAction* guide = GuideAction();
    ASSERT_NE(guide, nullptr);
    QMenu* help = nullptr;
    for (QAction* item : window.menuBar()->actions())
        if (item->menu() && item->menu()->actions().contains(guide)) help = item->menu();
    ASSERT_NE(help, nullptr) << "the guide item is in no menu";
    EXPECT_EQ(help->title(), "帮助(&H)");
    QAccessibleInterface* menu = QAccessible::queryAccessibleInterface(help);
    ASSERT_NE(menu, nullptr);
    QStringList names;
    for (int i = 0; i < menu->childCount(); ++i) names.append(menu->child(i)->text(QAccessible::Name));
    EXPECT_EQ(names.filter("使用指南").size(), 1) << names.join('|').toStdString();
}

// The build tree holds the HTML page and its pictures beside the program,
// as an installed system does in its documentation folder.
TEST_F(GuideMenuTest, ProgramInItsBuildTreeOpensTheHtmlGuideWithItsPictures) {
    LookFrom(VIZ_PROGRAM_DIR);
    testing::ModalCatcher boxes;
    GuideAction()->trigger();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join('\n').toStdString();
    ASSERT_TRUE(opened[0].isLocalFile());
    const std::filesystem::path page = opened[0].toLocalFile().toStdString();
    EXPECT_EQ(page.filename(), "guide.zh-CN.html");
    ASSERT_TRUE(std::filesystem::is_regular_file(page));
    EXPECT_TRUE(std::filesystem::is_regular_file(page.parent_path() / "images" / "serial.png"));
}

TEST_F(GuideMenuTest, MissingGuideOrNoHandlerIsSaidInABox) {
    LookFrom(dir / "bin");
    {
        testing::ModalCatcher boxes;
        GuideAction()->trigger();
        EXPECT_TRUE(opened.isEmpty());
        ASSERT_EQ(boxes.texts().size(), 1);
        EXPECT_TRUE(boxes.texts()[0].startsWith("找不到使用指南：")) << boxes.texts()[0].toStdString();
        EXPECT_TRUE(boxes.texts()[0].contains(QString::fromStdString((dir / "share/doc/duvezer").string())));
    }
    LookFrom(VIZ_PROGRAM_DIR, false);
    testing::ModalCatcher boxes;
    GuideAction()->trigger();
    ASSERT_EQ(opened.size(), 1);
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_TRUE(boxes.texts()[0].startsWith("无法打开使用指南“" + opened[0].toLocalFile() + "”"))
        << boxes.texts()[0].toStdString();
}

}  // namespace
}  // namespace viz
