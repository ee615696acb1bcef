/* A 1 kHz square wave on LED D1's pin (PB0) of the ATmega16 learning board
   at 8 MHz, for the logic trace test: timer 1 in CTC mode with the clock
   divided by 8 matches every 500 microseconds and the interrupt toggles the
   pin, so the wave does not depend on how the main loop runs. */
#include <avr/interrupt.h>
#include <avr/io.h>

ISR(TIMER1_COMPA_vect) {
    PORTB ^= 1 << PB0;
}

int main(void) {
    DDRB = 0xFF;
    PORTB = 0xFF;
    OCR1A = 499;
    TCCR1B = (1 << WGM12) | (1 << CS11);
    TIMSK = 1 << OCIE1A;
    sei();
    for (;;) {
    }
}
