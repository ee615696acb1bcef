/* The 8051 learning board's firmware for the tests: "Hello, Duvezer" on the
   LCD (8 bits: D0-D7 on P0, RS P2.6, RW P2.5, E P2.7), waiting for each
   instruction by reading the busy flag with E held high, never by a delay. */
#include <8052.h>

#define RS P2_6
#define RW P2_5
#define E P2_7

static void ready(void) {
    P0 = 0xFF; /* let the controller drive the bus */
    RS = 0;
    RW = 1;
    E = 1;
    while (P0 & 0x80)
        ;
    E = 0;
}

static void lcd(unsigned char data, unsigned char value) {
    ready();
    RS = data;
    RW = 0;
    P0 = value;
    E = 1;
    E = 0;
}

static __code const char kText[] = "Hello, Duvezer";

void main(void) {
    unsigned char i;
    E = 0;
    lcd(0, 0x38);
    lcd(0, 0x0C);
    lcd(0, 0x06);
    lcd(0, 0x01);
    for (i = 0; kText[i]; ++i) lcd(1, kText[i]);
    for (;;)
        ;
}
