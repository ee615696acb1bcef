/* The ATmega16 learning board's firmware for the tests (8 MHz): each press
   of K1 (PD2, pulled up, low while pressed) toggles LED D1 (PB0, lit while
   low). */
#include <avr/io.h>
#include <util/delay.h>

int main(void) {
    unsigned char was = 1;
    DDRB = 0xFF;
    PORTB = 0xFF;
    PORTD |= _BV(PD2);
    for (;;) {
        const unsigned char now = (PIND & _BV(PD2)) != 0;
        if (was && !now) PORTB ^= _BV(PB0);
        was = now;
        _delay_ms(1);
    }
}
