// The board window with its learning board busy: a firmware of the scene's
// own writes "Hello, Duvezer" on the LCD, scans "20261208" on the digits
// and lights LEDs D1, D3, D5 and D7.
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "SceneSteps.h"
#include "Scenes.h"
#include "app/VizuruvDlg.h"
#include "board/VirtualBoardDlg.h"
#include "board/learn/LearnBoardPanel.h"
#include "board/learn/LearnBoardView.h"
#include "board/learn/LearnParts.h"

namespace viz::screenshots {
namespace {

constexpr int kBoardLimitMs = 30000;

// The 8051 board's wiring: LCD data and segments on P0, RS P2.6, RW P2.5,
// E P2.7, the decoder on P2.2-P2.4, LEDs on P2.0-P2.7 beside them.
const char kFirmware[] = R"(#include <8052.h>
#define RS P2_6
#define RW P2_5
#define E P2_7
static void wait(unsigned int n) { while (n--) ; }
static void lcd(unsigned char data, unsigned char value) {
    RS = data; RW = 0; P0 = value; E = 1; E = 0; wait(300);
}
static __code const unsigned char kCodes[] = {0x3F,0x06,0x5B,0x4F,0x66,0x6D,0x7D,0x07,0x7F,0x6F};
static __code const char kNumber[] = "20261208";
static __code const char kText[] = "Hello, Duvezer";
void main(void) {
    unsigned char i;
    E = 0; wait(2000);
    lcd(0, 0x38); lcd(0, 0x0C); lcd(0, 0x06); lcd(0, 0x01); wait(2000);
    for (i = 0; kText[i]; ++i) lcd(1, kText[i]);
    for (;;) {
        for (i = 0; i < 8; ++i) {
            P0 = 0;
            P2 = (P2 & 0x60) | ((7 - i) << 2) | 0x02;
            P0 = kCodes[kNumber[i] - '0'];
            wait(100);
        }
    }
}
)";

}  // namespace

QWidget* Scenes::RunLearnBoard(CVizuruvDlg& window) {
    CVirtualBoardDlg* board = window.Board();
    board->Stop();
    if (!WaitFor([board] { return !board->running(); }, kBoardLimitMs)) {
        Failed("the virtual board did not stop");
        return nullptr;
    }
    const QString source = work_.filePath(QStringLiteral("learn_8051.c"));
    QFile file(source);
    if (!file.open(QIODevice::WriteOnly) || file.write(kFirmware) < 0) {
        Failed("cannot write the learning board's firmware");
        return nullptr;
    }
    file.close();
    board->resize(1180, 640);
    board->findChild<QComboBox*>(QStringLiteral("chip"))->setCurrentIndex(0);
    board->findChild<QLineEdit*>(QStringLiteral("clock"))->setText(QStringLiteral("12"));
    board->findChild<QRadioButton*>(QStringLiteral("useFile"))->setChecked(true);
    board->findChild<QLineEdit*>(QStringLiteral("file"))->setText(source);
    Click(board->startButton(), "start");
    CLearnBoardView* view = board->learnPanel()->view();
    if (!WaitFor(
            [view] {
                return view->lcd()->accessibleDescription() == QStringLiteral("Hello, Duvezer\n") &&
                       view->digits()->accessibleDescription() == QStringLiteral("20261208");
            },
            kBoardLimitMs)) {
        Failed("the learning board did not show the firmware's text and number");
        return nullptr;
    }
    return board;
}

}  // namespace viz::screenshots
