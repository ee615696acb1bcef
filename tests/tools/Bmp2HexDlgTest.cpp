#include "tools/Bmp2HexDlg.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "BmpBuilder.h"
#include "PageTestSupport.h"

namespace viz {
namespace {

class Bmp2HexDlgTest : public ::testing::Test {
protected:
    testing::PageHost host;
    testing::TempDir files;
    CBmp2HexDlg page{host.context, nullptr};
    QPlainTextEdit* status = page.findChild<QPlainTextEdit*>("status");
    QString chosen;

    void SetUp() override {
        page.setFileChooser([this] { return chosen; });
        page.show();
    }

    void Choose(const std::string& name, const testing::Picture& picture) {
        const std::vector<std::uint8_t> bytes = picture.Bytes();
        std::ofstream(files / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        chosen = QString::fromStdString((files / name).string());
        testing::ClickAnsweringMessages(testing::ButtonWithText(page, "选择BMP"));
    }

    QStringList Generate() {
        testing::ModalCatcher catcher;
        QTest::mouseClick(testing::ButtonWithText(page, "生成代码"), Qt::LeftButton);
        [&] { QTRY_VERIFY_WITH_TIMEOUT(!page.converting(), 20000); }();
        return catcher.texts();
    }
};

TEST_F(Bmp2HexDlgTest, UserConvertsAPictureAndSeesTheHeaderBeginning) {
    EXPECT_EQ(Generate(), QStringList{"读取BMP文件失败：没有选择文件"});
    EXPECT_TRUE(status->toPlainText().isEmpty());

    Choose("logo.bmp", {2, 1, 24, {}, {{0, 0, 0xFF, 0xFF, 0, 0}}});
    EXPECT_EQ(page.findChild<QLineEdit*>("path")->text(), chosen);
    EXPECT_TRUE(Generate().isEmpty()) << "success shows no message box";
    const QString shown = status->toPlainText();
    EXPECT_TRUE(shown.startsWith("//大小：      8\n//宽度：      2\n//高度：      1\n"))
        << shown.toStdString();
    EXPECT_TRUE(shown.contains("0x000000FF, 0x00FF0000 \n\n    };\n\n...\n"));
    EXPECT_TRUE(shown.endsWith(QString(53, '.') + "\n\n保存的*.h文件在当前位图文件目录下创建！\n"));
    EXPECT_TRUE(std::filesystem::exists(files / "logo.h"));
    EXPECT_TRUE(testing::ButtonWithText(page, "生成代码")->isEnabled());
}

TEST_F(Bmp2HexDlgTest, RefusedPictureShowsWhyAndKeepsTheStatus) {
    Choose("wide.bmp", {10, 1, 1, {{0, 0, 0}, {255, 255, 255}}, {{0xFF, 0xC0}}});
    const QStringList messages = Generate();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("//大小：      4\r\n//宽度：      10\r\n"));
    EXPECT_TRUE(messages[0].endsWith("图片宽度不符合，必须为8的倍数！"));
    EXPECT_TRUE(status->toPlainText().isEmpty());
    EXPECT_FALSE(std::filesystem::exists(files / "wide.h"));
}

}  // namespace
}  // namespace viz
