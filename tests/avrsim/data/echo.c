/* An application for a chip with a serial bootloader: UART0 at 115200 baud
   (16 MHz, double speed), its GREETING once, then every byte echoed. Built with
   -DPAD_BYTES=<n> it carries that many more bytes of program memory, so
   the download has a size to measure. */
#include <avr/pgmspace.h>

#include "uart.h"

#ifndef GREETING
#define GREETING "hello"
#endif
#ifndef PAD_BYTES
#define PAD_BYTES 1
#endif

static const unsigned char pad[PAD_BYTES] PROGMEM = {1};
static volatile unsigned padIndex;

int main(void) {
    U_A = 1 << U_U2X;
    U_BRRH = 0;
    U_BRRL = 16;
    U_C = U_SELECT | 0x06;
    U_B = (1 << U_TXEN) | (1 << U_RXEN);
    say(GREETING);
    say(pgm_read_byte(&pad[padIndex]) ? "\r\n" : ".\r\n");
    for (;;) {
        if (U_A & (1 << U_RXC)) put(U_DR);
    }
}
