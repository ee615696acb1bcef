// How long the window stands still when a large text is pasted into a send
// area and then typed into, for three shapes of text: hex digits without a
// space (one unbroken word), hex pairs with spaces, and CJK text, each of
// --kib KiB characters on one line. Beside them, in the same run, a plain
// text edit as the send area had before, with a smaller unbroken paste
// (--plain-kib: the plain edit needs seconds per key at a megabyte).
//
// A paste is Ctrl+V in the edit until the window has painted again; a key is
// one typed character until it is painted (at the end of the text, at its
// start and in its middle). The first CJK paste includes drawing a
// screenful of glyphs never drawn before; it is measured again after.
// Prints the paste stall, the median and longest key stall in ms (wall
// clock, and the UI thread's own CPU time), and whether the text the area
// sends is exactly the one pasted and typed.
//
//   send_edit_bench [--kib N] [--keys N] [--plain-kib N]   (defaults 1024, 60, 32)
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "BenchOptions.h"
#include "WorkDir.h"
#include "terminal/SendArea.h"

namespace {

QString Shape(const char* shape, qsizetype size) {
    static const char16_t kHex[] = u"0123456789ABCDEF";
    QString text;
    text.reserve(size);
    for (qsizetype i = 0; i < size; ++i) {
        if (shape[0] == 'u') {
            text.append(QChar(kHex[(i * 7) % 16]));
        } else if (shape[0] == 's') {
            text.append(i % 3 == 2 ? QChar(u' ') : QChar(kHex[(i * 5) % 16]));
        } else {
            text.append(QChar(static_cast<char16_t>(0x4E00 + (i * 37) % 3000)));
        }
    }
    return text;
}

// A key as the window system delivers it: pressed, then released.
void Click(QWidget& widget, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const QString text = modifiers == Qt::NoModifier && key >= Qt::Key_A && key <= Qt::Key_Z
                             ? QString(QChar(static_cast<char16_t>(u'a' + (key - Qt::Key_A))))
                             : QString();
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(&widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(&widget, &release);
}

double ThreadCpuMs() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// How long the window stood still, and how much of it this thread worked
// (on a busy machine the rest is other programs' turn).
struct Stall {
    double ms = 0;
    double cpuMs = 0;
    bool operator<(const Stall& other) const { return ms < other.ms; }
};

// Runs `action`, then paints and runs what it queued.
template <typename Action>
Stall Measured(QWidget& window, Action action) {
    QElapsedTimer clock;
    clock.start();
    const double cpu = ThreadCpuMs();
    action();
    window.repaint();
    QCoreApplication::processEvents();
    return {static_cast<double>(clock.nsecsElapsed()) / 1e6, ThreadCpuMs() - cpu};
}

// Types `count` letters from `first` on at the edit's cursor, timing each;
// returns what was typed.
QString Type(QWidget& window, QPlainTextEdit& edit, char16_t first, int count, std::vector<Stall>& stalls) {
    QString typed;
    for (int i = 0; i < count; ++i) {
        const int letter = (first - u'a' + i % 6);
        stalls.push_back(Measured(window, [&] { Click(edit, static_cast<Qt::Key>(Qt::Key_A + letter)); }));
        typed.append(QChar(static_cast<char16_t>(u'a' + letter)));
    }
    return typed;
}

// Pastes `text` and types at the end, the start and the middle; the text
// the area then sends should be `text` with the typed letters in place
// (false when it is not).
bool Measure(const char* label, QWidget& window, QPlainTextEdit& edit, const QString& text, int keyCount,
             const std::function<QString()>& sent) {
    edit.clear();
    edit.setFocus();
    QGuiApplication::clipboard()->setText(text);
    const Stall paste = Measured(window, [&] { Click(edit, Qt::Key_V, Qt::ControlModifier); });
    std::vector<Stall> stalls;
    edit.moveCursor(QTextCursor::End);
    QString expected = text + Type(window, edit, u'a', keyCount, stalls);
    edit.moveCursor(QTextCursor::Start);
    expected.prepend(Type(window, edit, u'a', keyCount, stalls));
    QTextCursor middle = edit.textCursor();
    middle.setPosition(edit.document()->characterCount() / 2);
    edit.setTextCursor(middle);
    // Letters that occur nowhere else tell where the middle run went in.
    const QString run = Type(window, edit, u'g', keyCount, stalls);
    const QString now = sent();
    const qsizetype at = now.indexOf(run);
    const bool intact = at > 0 && now.left(at) + now.mid(at + run.size()) == expected;
    std::sort(stalls.begin(), stalls.end());
    const Stall median = stalls[stalls.size() / 2];
    const auto cpu = std::max_element(stalls.begin(), stalls.end(),
                                      [](const Stall& a, const Stall& b) { return a.cpuMs < b.cpuMs; });
    std::printf(
        "%-22s paste_ms %7.1f (cpu %7.1f)  key_ms median %5.1f (cpu %5.1f) longest %7.1f, most cpu %7.1f  "
        "text %s\n",
        label, paste.ms, paste.cpuMs, median.ms, median.cpuMs, stalls.back().ms, cpu->cpuMs,
        intact ? "intact" : "CHANGED");
    return intact;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    const qsizetype size = bench::NumberOption(argc, argv, "--kib", 1024) * 1024;
    const int keyCount = static_cast<int>(bench::NumberOption(argc, argv, "--keys", 60));
    const qsizetype plainSize = bench::NumberOption(argc, argv, "--plain-kib", 32) * 1024;
    // Nothing here writes a file, but a page's parts may: never into the checkout.
    const bench::WorkDir workDir;

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    viz::SendAreaConfig config;
    config.countsFormat = QStringLiteral("发送区：已发送%d字节");
    config.links = {{.write = [](auto, auto count, auto) { return viz::WrittenStep(count); }}};
    auto* area = new viz::CSendArea(config, &window);
    auto* plain = new QPlainTextEdit(&window);
    // As on every page, Chinese is on screen before anything is pasted.
    layout->addWidget(new QLabel(
        QStringLiteral("发送区：已发送0字节（提示：双击文本框可以支持Bin/Txt文件发送）"), &window));
    layout->addWidget(area);
    layout->addWidget(plain);
    window.resize(1000, 700);
    window.show();
    QCoreApplication::processEvents();

    const auto areaText = [area] { return QString::fromStdU16String(area->text()); };
    const auto plainText = [plain] { return plain->toPlainText(); };
    bool intact = true;
    for (const char* shape : {"unbroken hex", "spaced hex", "cjk"}) {
        intact &= Measure(shape, window, *area->edit(), Shape(shape, size), keyCount, areaText);
    }
    // The first CJK paste drew each of its glyphs for the first time; the
    // same text again shows what the edit costs.
    intact &= Measure("cjk, glyphs drawn", window, *area->edit(), Shape("cjk", size), keyCount, areaText);
    intact &= Measure("plain edit, unbroken", window, *plain, Shape("unbroken", plainSize),
                      std::max(1, keyCount / 4), plainText);
    return intact ? 0 : 1;
}
