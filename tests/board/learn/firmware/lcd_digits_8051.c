/* The 8051 learning board's firmware for the tests: "Hello, Duvezer" on the
   LCD (8 bits: D0-D7 on P0, RS P2.6, RW P2.5, E P2.7), then "20261208" scanned
   on the display (segments on P0, decoder on P2.2-P2.4, Y0 rightmost), one
   millisecond a digit at 12 MHz. */
#include <8052.h>

#define RS P2_6
#define RW P2_5
#define E P2_7

static void wait(unsigned int n) {
    while (n--)
        ;
}

static void lcd(unsigned char data, unsigned char value) {
    RS = data;
    RW = 0;
    P0 = value;
    E = 1;
    E = 0;
    wait(300);
}

static __code const unsigned char kCodes[] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};
static __code const char kNumber[] = "20261208";
static __code const char kText[] = "Hello, Duvezer";

void main(void) {
    unsigned char i;
    E = 0;
    wait(2000);
    lcd(0, 0x38);
    lcd(0, 0x38);
    lcd(0, 0x0C);
    lcd(0, 0x06);
    lcd(0, 0x01);
    for (i = 0; kText[i]; ++i) lcd(1, kText[i]);
    for (;;) {
        for (i = 0; i < 8; ++i) {
            P0 = 0;
            P2 = (P2 & 0x63) | ((7 - i) << 2);
            P0 = kCodes[kNumber[i] - '0'];
            wait(100);
        }
    }
}
