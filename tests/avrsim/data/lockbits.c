/* A program with lock bits and no fuses, as a user may write to protect
   the flash; it says so on the UART. Built with -DUBRR_VALUE=<n> for 8N1. */
#include "uart.h"

#include <avr/lock.h>

LOCKBITS = LB_MODE_1;

int main(void) {
    U_C = U_SELECT | (1 << 2) | (1 << 1);
    U_BRRH = UBRR_VALUE >> 8;
    U_BRRL = UBRR_VALUE & 0xFF;
    U_B = (1 << U_TXEN);
    say("locked\r\n");
    for (;;) {
    }
}
