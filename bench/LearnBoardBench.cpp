// The board window (offscreen) with its learning board, running a firmware
// that uses every part at once: the LCD written once, eight digits scanned
// at 1 ms a digit, the LEDs counting, the buzzer at 1 kHz, and a key the
// bench presses and releases every 100 ms. Reported for N seconds:
//   - simulated time against wall time;
//   - frames the learning board's picture drew per second;
//   - the window thread's longest stall: the worst lateness of a 1 ms timer;
//   - processor seconds of the simulator and of the window's process.
// Chips are table entries: another chip adds its firmware, clock and name.
// The 8051 also runs a firmware that rewrites the LCD without pause,
// polling its busy flag, which the board answers between s51's steps.
//
//   learn_board_bench [--seconds N]   (default 10)
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "base/PageContext.h"
#include "base/SettingsStore.h"
#include "board/VirtualBoardDlg.h"
#include "board/learn/LearnBoardPanel.h"
#include "board/learn/LearnBoardView.h"
#include "board/learn/LearnParts.h"

namespace {

using namespace viz;

struct BenchChip {
    const char* name;       // as the window's chip list shows it
    const char* megahertz;  // the clock field
    const char* extension;  // the firmware file's
    const char* firmware;
    const char* what;       // the firmware, in the report's heading
};

// Every part of the 8051 board: LCD on P0/P2.5-7, digits on P0 with the
// decoder on P2.2-4, LEDs on P2.0-1 (the rest share the decoder), K1 on
// P3.1, the buzzer on P1.5 toggled by timer 0 every 500 us.
constexpr char kMcs51Firmware[] = R"(#include <8052.h>
#define RS P2_6
#define RW P2_5
#define E P2_7
static void wait(unsigned int n) { while (n--) ; }
static void lcd(unsigned char data, unsigned char value) {
    RS = data; RW = 0; P0 = value; E = 1; E = 0; wait(300);
}
void buzz(void) __interrupt(1) { P1_5 = !P1_5; }
static __code const unsigned char kCodes[] = {0x3F,0x06,0x5B,0x4F,0x66,0x6D,0x7D,0x07,0x7F,0x6F};
static __code const char kText[] = "Hello, Duvezer";
void main(void) {
    unsigned char i, count = 0, tick = 0;
    E = 0; wait(2000);
    lcd(0, 0x38); lcd(0, 0x0C); lcd(0, 0x06); lcd(0, 0x01); wait(2000);
    for (i = 0; kText[i]; ++i) lcd(1, kText[i]);
    TMOD = 0x02; TH0 = TL0 = 6; ET0 = 1; EA = 1; TR0 = 1;
    for (;;) {
        for (i = 0; i < 8; ++i) {
            P0 = 0;
            P2 = (P2 & 0x60) | ((7 - i) << 2) | (P3_1 ? 0x03 : (count & 0x03));
            P0 = kCodes[(count >> (i & 3)) % 10];
            wait(80);
        }
        if (++tick == 12) { tick = 0; ++count; }
    }
}
)";

// Every part of the ATmega16 board at 8 MHz: LCD data on PORTC with RS, RW,
// E on PA1-PA3 (fixed waits, written once), digits on PORTC with the decoder
// on PA4-PA6, LEDs on PORTB (the low two follow K1 on PD2), the buzzer on
// PD7 toggled by timer 0's compare match every 500 us.
constexpr char kAvrFirmware[] = R"(#define F_CPU 8000000UL
#include <avr/interrupt.h>
#include <avr/io.h>
#include <util/delay.h>
static void lcd(unsigned char data, unsigned char value) {
    PORTA = (PORTA & 0xF1) | (data ? 0x02 : 0); PORTC = value;
    PORTA |= 0x08; _delay_us(1); PORTA &= ~0x08; _delay_us(50);
}
ISR(TIMER0_COMP_vect) { PORTD ^= 1 << PD7; }
static const unsigned char kCodes[] = {0x3F,0x06,0x5B,0x4F,0x66,0x6D,0x7D,0x07,0x7F,0x6F};
static const char kText[] = "Hello, Duvezer";
int main(void) {
    unsigned char i, count = 0, tick = 0;
    DDRA = 0x7E; PORTA = 0; DDRB = 0xFF; DDRC = 0xFF; DDRD = 1 << PD7; PORTD = 1 << PD2;
    _delay_ms(20);
    lcd(0, 0x38); lcd(0, 0x0C); lcd(0, 0x06); lcd(0, 0x01); _delay_ms(2);
    for (i = 0; kText[i]; ++i) lcd(1, kText[i]);
    OCR0 = 62; TCCR0 = (1 << WGM01) | (1 << CS01) | (1 << CS00); TIMSK = 1 << OCIE0; sei();
    for (;;) {
        for (i = 0; i < 8; ++i) {
            PORTC = 0;
            PORTA = (PORTA & 0x8F) | ((7 - i) << 4);
            PORTC = kCodes[(count >> (i & 3)) % 10];
            _delay_ms(1);
        }
        PORTB = ~((PIND & (1 << PD2)) ? count : (count & 0xFC));
        if (++tick == 12) { tick = 0; ++count; }
    }
}
)";

// The LCD rewritten without pause, waiting on its busy flag before every
// instruction: the board answers each poll between s51's steps.
constexpr char kMcs51LcdPollFirmware[] = R"(#include <8052.h>
#define RS P2_6
#define RW P2_5
#define E P2_7
static void ready(void) { P0 = 0xFF; RS = 0; RW = 1; E = 1; while (P0 & 0x80) ; E = 0; }
static void lcd(unsigned char data, unsigned char value) {
    ready(); RS = data; RW = 0; P0 = value; E = 1; E = 0;
}
static __code const char kText[] = "Hello, Duvezer";
void main(void) {
    unsigned char i;
    E = 0;
    lcd(0, 0x38); lcd(0, 0x0C); lcd(0, 0x06); lcd(0, 0x01);
    for (;;) { lcd(0, 0x80); for (i = 0; kText[i]; ++i) lcd(1, kText[i]); }
}
)";

const BenchChip kChips[] = {
    {"8051", "11.0592", ".c", kMcs51Firmware, "every part"},
    {"8051", "11.0592", ".c", kMcs51LcdPollFirmware, "LCD rewritten, busy flag polled"},
    {"ATmega16", "8", ".c", kAvrFirmware, "every part"},
};

double CpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) utime = std::stoull(field);
        if (i == 15) stime = std::stoull(field);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

double OwnCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Counts the frames the learning board's picture drew: its parts repaint
// one by one, and the paints of one refresh come within a few milliseconds.
class FrameCounter : public QObject {
public:
    int frames = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            if (!clock_.isValid() || clock_.elapsed() > 5) ++frames;
            clock_.restart();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QElapsedTimer clock_;
};

// Times every event the window thread handles from its event loop: the
// longest is the longest the window could not answer the user.
class EventTiming : public QApplication {
public:
    EventTiming(int& argc, char** argv) : QApplication(argc, argv) {}
    static EventTiming& Of() { return *static_cast<EventTiming*>(QCoreApplication::instance()); }
    void Reset() {
        longest = 0;
        what.clear();
    }
    bool notify(QObject* receiver, QEvent* event) override {
        if (depth_ > 0) return QApplication::notify(receiver, event);
        ++depth_;
        QElapsedTimer clock;
        clock.start();
        const bool handled = QApplication::notify(receiver, event);
        const qint64 took = clock.nsecsElapsed();
        if (took > longest) {
            longest = took;
            what =
                std::string(receiver->metaObject()->className()) + ", event " + std::to_string(event->type());
        }
        --depth_;
        return handled;
    }
    qint64 longest = 0;
    std::string what;

private:
    int depth_ = 0;
};

// The build's own AVR runner and s51 waker: the bench is not built beside the program.
ToolSearch BenchTools() {
    ToolSearch search = DefaultToolSearch();
    search.avrRunner = VIZ_AVRSIM_RUNNER;
    search.s51Wake = VIZ_S51WAKE;
    return search;
}

void RunChip(const BenchChip& chip, int seconds, const std::filesystem::path& folder) {
    const std::filesystem::path source = folder / (std::string("firmware") + chip.extension);
    std::ofstream(source) << chip.firmware;
    SettingsStore store(folder / "bench.conf");
    PageContext context(store);
    CVirtualBoardDlg board(context, VirtualBoardSetup{BenchTools(), {}}, nullptr);
    board.resize(1280, 800);
    board.show();
    auto* chips = board.findChild<QComboBox*>("chip");
    // The AVR parts come from the runner's list, read after the window opens.
    if (!QTest::qWaitFor([&] { return chips->findText(QString::fromLatin1(chip.name)) >= 0; }, 60000)) {
        std::printf("%s: not in the window's chip list\n", chip.name);
        return;
    }
    chips->setCurrentText(QString::fromLatin1(chip.name));
    board.findChild<QLineEdit*>("clock")->setText(QString::fromLatin1(chip.megahertz));
    board.findChild<QRadioButton*>("useFile")->setChecked(true);
    board.findChild<QLineEdit*>("file")->setText(QString::fromStdString(source.string()));
    CLearnBoardView* view = board.learnPanel()->view();
    FrameCounter counter;
    view->installEventFilter(&counter);
    for (QWidget* child : view->findChildren<QWidget*>()) child->installEventFilter(&counter);

    QTest::mouseClick(board.startButton(), Qt::LeftButton);
    if (!QTest::qWaitFor([&] { return board.session().simulatorPid() != 0; }, 120000)) {
        std::printf("%s: the board did not start: %s\n", chip.name,
                    board.output()->toPlainText().toStdString().c_str());
        return;
    }
    QTest::qWait(1000);  // past building and start-up
    const pid_t simulator = board.session().simulatorPid();
    SharedBoard& shared = board.learnPanel()->board();
    const SimNanos simStart = shared.now();
    const double simCpuStart = CpuSeconds(simulator);
    const double ownCpuStart = OwnCpuSeconds();
    counter.frames = 0;
    EventTiming& timing = EventTiming::Of();
    timing.Reset();

    QElapsedTimer wall;
    wall.start();
    qint64 worstLate = 0;
    qint64 lastTick = 0;
    // The picture is brought up to date on its frame timer.
    int refreshes = 0;
    const QTimer* frame = view->findChild<QTimer*>();
    const auto refreshed = QObject::connect(frame, &QTimer::timeout, [&] { ++refreshes; });
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = wall.nsecsElapsed();
        if (lastTick != 0) worstLate = std::max(worstLate, now - lastTick - 1'000'000);
        lastTick = now;
    });
    tick.start(1);
    bool down = false;
    QTimer press;
    QObject::connect(&press, &QTimer::timeout, [&] {
        down = !down;
        down ? QTest::mousePress(view->key(0), Qt::LeftButton)
             : QTest::mouseRelease(view->key(0), Qt::LeftButton);
    });
    press.start(100);
    // A plain event loop: QTest::qWait sleeps between its rounds, which would
    // count as the window's stall.
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    tick.stop();
    press.stop();
    QObject::disconnect(refreshed);
    const double wallSeconds = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    const double simSeconds = static_cast<double>(shared.now() - simStart) / 1e9;
    const double simCpu = CpuSeconds(simulator) - simCpuStart;
    const double ownCpu = OwnCpuSeconds() - ownCpuStart;
    std::printf("%s at %s MHz, %s, %.1f s:\n", chip.name, chip.megahertz, chip.what, wallSeconds);
    std::printf("  simulated / wall time      %.3f\n", simSeconds / wallSeconds);
    std::printf("  picture refreshes/s        %.1f (paints of changed parts: %.1f/s)\n",
                refreshes / wallSeconds, counter.frames / wallSeconds);
    std::printf("  window thread's longest event %.1f ms (%s)\n", static_cast<double>(timing.longest) / 1e6,
                timing.what.c_str());
    std::printf("  1 ms timer's worst lateness %.1f ms (the scheduler's share included)\n",
                static_cast<double>(worstLate) / 1e6);
    std::printf("  simulator CPU              %.2f s (%.0f %%)\n", simCpu, 100 * simCpu / wallSeconds);
    std::printf("  window process CPU         %.2f s (%.0f %%)\n", ownCpu, 100 * ownCpu / wallSeconds);
    std::printf("  LCD: %s  digits: %s\n", view->lcd()->accessibleDescription().toStdString().c_str(),
                view->digits()->accessibleDescription().toStdString().c_str());
    board.Stop();
    if (!QTest::qWaitFor([&] { return !board.running(); }, 60000))
        std::printf("%s: the board did not stop\n", chip.name);
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = 10;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--seconds") seconds = std::max(1, std::atoi(argv[i + 1]));
    EventTiming app(argc, argv);
    char pattern[] = "/tmp/learn-bench-XXXXXX";
    if (!::mkdtemp(pattern)) return 1;
    const std::filesystem::path folder(pattern);
    for (const BenchChip& chip : kChips) RunChip(chip, seconds, folder);
    std::filesystem::remove_all(folder);
    return 0;
}
