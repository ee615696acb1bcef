/* PB0 toggled as fast as the chip can: a change every few cycles. */
#include <avr/io.h>

int main(void) {
    DDRB = 0xFF;
    for (;;) PORTB ^= 1;
}
