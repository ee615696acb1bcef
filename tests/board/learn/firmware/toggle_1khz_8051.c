/* The 8051 learning board's firmware for the tests: the buzzer's pin P1.5
   toggled every 500 us (1 kHz) by timer 0 in mode 2 at 12 MHz: 250 ticks
   of 1 us, twice. */
#include <8052.h>

static unsigned char half;

void tick(void) __interrupt(1) {
    if (++half == 2) {
        half = 0;
        P1_5 = !P1_5;
    }
}

void main(void) {
    TMOD = 0x02;
    TH0 = TL0 = 256 - 250;
    ET0 = 1;
    EA = 1;
    TR0 = 1;
    for (;;)
        ;
}
