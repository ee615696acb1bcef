#include "terminal/SendEdit.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTest>
#include <QTextBlock>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <time.h>

#include "FakeLink.h"
#include "terminal/SendArea.h"

namespace viz {
namespace {

using testing::FakeLink;

double ThreadCpuMs() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

QString Digits(qsizetype size) {
    QString text;
    for (qsizetype i = 0; i < size; ++i) text.append(QChar(static_cast<char16_t>(u'0' + (i * 7) % 10)));
    return text;
}

class SendEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        SendAreaConfig config;
        config.countsFormat = QStringLiteral("发送区：已发送%d字节");
        config.links = {{.write = link.Writer()}};
        area = new CSendArea(config, &page);
        (new QVBoxLayout(&page))->addWidget(area);
        page.resize(700, 400);
        page.show();
        edit()->setFocus();
    }

    CSendEdit* edit() const { return area->edit(); }

    // A key as the user types it, with what the edit queued after it.
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(edit(), key, modifiers);
        QCoreApplication::processEvents();
    }
    void Paste(const QString& text) {
        QGuiApplication::clipboard()->setText(text);
        Key(Qt::Key_V, Qt::ControlModifier);
    }
    void PutCursor(int position) {
        QTextCursor cursor = edit()->textCursor();
        cursor.setPosition(position);
        edit()->setTextCursor(cursor);
    }
    QTextBlock Block(int number) const { return edit()->document()->findBlockByNumber(number); }

    FakeLink link;
    QWidget page;
    CSendArea* area = nullptr;
};

// A hex dump of 256 KiB without a space once froze the window for seconds
// at the paste and at every key after it.
TEST_F(SendEditTest, AQuarterMegabyteWithoutBreaksCostsTheWindowLittleAndGoesOutAsPasted) {
    const QString pasted = Digits(256 * 1024) + QStringLiteral("\r\nEND");
    double cpu = ThreadCpuMs();
    Paste(pasted);
    page.repaint();
    EXPECT_LT(ThreadCpuMs() - cpu, 400.0) << "paste and paint";
    edit()->moveCursor(QTextCursor::Start);
    for (const Qt::Key key : {Qt::Key_A, Qt::Key_B, Qt::Key_C}) {
        cpu = ThreadCpuMs();
        Key(key);
        page.repaint();
        EXPECT_LT(ThreadCpuMs() - cpu, 50.0) << "a key in the long line";
    }

    const QByteArray expected = (QStringLiteral("abc") + pasted).toLatin1();
    area->Send(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return area->link(0).sentTotal() >= expected.size(); }, 20000));
    QByteArray sent;
    for (const Bytes& block : link.blocks())
        sent.append(reinterpret_cast<const char*>(block.data()), block.size());
    EXPECT_EQ(sent.size(), expected.size());
    EXPECT_TRUE(sent == expected) << "no break of the screen's is sent";
}

// The cuts are seen only as early wraps: every key works on the text as
// pasted, undo and redo bring back exactly what was there.
TEST_F(SendEditTest, KeysBesideACutChangeTheTextAsTypedAndUndoRestoresIt) {
    const QString pasted = Digits(5000);
    Paste(pasted);
    ASSERT_EQ(edit()->document()->blockCount(), 3);
    ASSERT_EQ(Block(0).length() - 1, CSendEdit::kBlockLimit);
    QString expected = pasted;
    // Each block after the first continues the one before: text index = position - block number.
    const int join = Block(1).position();

    PutCursor(join);
    Key(Qt::Key_Backspace);
    expected.remove(join - 2, 1);
    EXPECT_EQ(edit()->typedText(), expected) << "Backspace after a cut takes the character before it";

    PutCursor(Block(1).position() - 1);
    Key(Qt::Key_Delete);
    expected.remove(Block(1).position() - 1, 1);
    EXPECT_EQ(edit()->typedText(), expected) << "Delete before a cut takes the character after it";

    const int inside = Block(1).position() + 10;
    PutCursor(inside);
    Key(Qt::Key_Return);
    const int lineBreak = inside - 1;
    expected.insert(lineBreak, u'\n');
    EXPECT_EQ(edit()->typedText(), expected) << "Enter inside a continuation is a real line break";
    PutCursor(Block(2).position() + 5);
    Key(Qt::Key_Return);
    EXPECT_EQ(edit()->typedText(), expected.left(lineBreak + 6) + u'\n' + expected.mid(lineBreak + 6));
    Key(Qt::Key_Backspace);
    EXPECT_EQ(edit()->typedText(), expected);

    QTextCursor across = edit()->textCursor();
    across.setPosition(Block(0).position() + Block(0).length() - 6);
    across.setPosition(Block(1).position() + 4, QTextCursor::KeepAnchor);
    edit()->setTextCursor(across);
    Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), expected.mid(Block(0).length() - 6, 9))
        << "a copy across a cut has no break in it";

    while (edit()->document()->isUndoAvailable() && edit()->typedText() != pasted) edit()->undo();
    EXPECT_EQ(edit()->typedText(), pasted);
    EXPECT_EQ(edit()->document()->blockCount(), 3);
    while (edit()->document()->isRedoAvailable()) edit()->redo();
    EXPECT_EQ(edit()->typedText(), expected);
}

}  // namespace
}  // namespace viz
