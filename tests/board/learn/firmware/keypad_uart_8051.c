/* The 8051 learning board's firmware for the tests: scans the 4x4 keypad
   (rows R1-R4 on P1.7-P1.4 pulled low one at a time, columns C1-C4 read on
   P1.3-P1.0) and sends each newly pressed key (settled and debounced) on the UART as one hex digit,
   row * 4 + column, at 9600 baud from an 11.0592 MHz crystal. */
#include <8052.h>

static __code const char kDigits[] = "0123456789ABCDEF";

static void send(char c) {
    SBUF = c;
    while (!TI)
        ;
    TI = 0;
}

static unsigned char scan(void) {
    unsigned char row, column, lines, settle;
    for (row = 0; row < 4; ++row) {
        P1 = ~(0x80 >> row);
        for (settle = 0; settle < 40; ++settle) /* let the lines settle */
            ;
        lines = P1 & 0x0F;
        for (column = 0; column < 4; ++column)
            if (!(lines & (0x08 >> column))) return row * 4 + column;
    }
    return 0xFF;
}

void main(void) {
    unsigned char key, seen = 0xFF, same = 0, last = 0xFF;
    SCON = 0x50;
    TMOD = 0x20;
    TH1 = TL1 = 0xFD;
    TR1 = 1;
    for (;;) {
        /* A key counts once three scans in a row found it, as debouncing does. */
        key = scan();
        same = key == seen ? same + 1 : 0;
        seen = key;
        if (same < 2) continue;
        if (key != last && key != 0xFF) send(kDigits[key]);
        last = key;
    }
}
