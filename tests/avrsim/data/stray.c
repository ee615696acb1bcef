/* Writes past the end of RAM, which the simulator reports as a warning,
   between two lines on the UART. Built with -DUBRR_VALUE=<n> for 8N1. */
#include "uart.h"

int main(void) {
    U_C = U_SELECT | (1 << 2) | (1 << 1);
    U_BRRH = UBRR_VALUE >> 8;
    U_BRRL = UBRR_VALUE & 0xFF;
    U_B = (1 << U_TXEN);
    say("before\r\n");
    drain();
    *(volatile unsigned char*)(RAMEND + 0x100) = 0x55;
    say("after\r\n");
    for (;;) {
    }
}
