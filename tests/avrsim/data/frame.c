/* Sends a burst of bytes between two port changes, so the runner's port
   reports tell the byte time in cycles, then says "ready" and echoes.
   Built with -DFRAME=<UCSRC format bits> -DDOUBLE=<0|1> -DUBRR_VALUE=<n>. */
#include "uart.h"

#define BURST 200

int main(void) {
    DDRB = 0xFF;
    /* The format first, then the rate's high byte: on a shared register
       the second write must not change the format. */
    U_C = U_SELECT | FRAME;
    U_BRRH = UBRR_VALUE >> 8;
    U_BRRL = UBRR_VALUE & 0xFF;
    U_A = DOUBLE ? (1 << U_U2X) : 0;
    U_B = (1 << U_TXEN) | (1 << U_RXEN);
    put('S');
    drain();
    PORTB = 1;
    for (int i = 0; i < BURST; ++i) put('U');
    drain();
    PORTB = 2;
    say("\r\nready\r\n");
    for (;;) {
        if (U_A & (1 << U_RXC)) put(U_DR);
    }
}
