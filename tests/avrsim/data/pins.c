/* The runner's pins seen from a board: a ten-cycle pulse on PB0, then PIND
   copied to PORTB and PINC to PORTA for ever. PORTC's low half is an output
   driving high, its high half an input with pull-ups. On the UART (9600 baud
   at 8 MHz): "d" makes all of PORTC outputs, "a" prints ADC3 as
   "ADC <reading>" (AVCC reference). */
#include <stdio.h>

#include "uart.h"

int main(void) {
    char line[16];
    U_BRRL = 51;
    U_B = (1 << U_TXEN) | (1 << U_RXEN);
    U_C = U_SELECT | 0x06;
    DDRB = 0xFF;
    PORTB = 0x01;
    __builtin_avr_delay_cycles(9);
    PORTB = 0x00;
    DDRA = 0xFF;
    PORTC = 0xFF;
    DDRC = 0x0F;
    ADMUX = (1 << REFS0) | 3;
    ADCSRA = (1 << ADEN) | (1 << ADPS2) | (1 << ADPS1);
    say("ready\r\n");
    for (;;) {
        PORTB = PIND;
        PORTA = PINC;
        if (!(U_A & (1 << U_RXC))) continue;
        const char command = U_DR;
        if (command == 'd') {
            DDRC = 0xFF;
            say("out\r\n");
        } else if (command == 'a') {
            ADCSRA |= 1 << ADSC;
            while (ADCSRA & (1 << ADSC)) {
            }
            snprintf(line, sizeof line, "ADC %u\r\n", ADCW);
            say(line);
        }
    }
}
