/* The ATmega16 learning board's display and key firmware for the tests, at
   8 MHz: "20261208" scanned one millisecond a digit (segments on PC0-PC7,
   decoder A, B, C on PA4-PA6, Y0 rightmost), and each press of K1 (PD2, low
   while pressed) toggles LED D1 (PB0, lit while low) once the key has read
   low for three scans in a row. */
#define F_CPU 8000000UL
#include <avr/io.h>
#include <util/delay.h>

static const unsigned char kCodes[] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};
static const char kNumber[] = "20261208";

int main(void) {
    unsigned char i, low = 0, held = 0;
    DDRA = 0x7E;
    PORTA = 0;
    DDRB = 0xFF;
    PORTB = 0xFF;
    DDRC = 0xFF;
    PORTD = 1 << PD2;
    for (;;) {
        for (i = 0; i < 8; ++i) {
            PORTC = 0;
            PORTA = (PORTA & 0x8F) | ((7 - i) << 4);
            PORTC = kCodes[kNumber[i] - '0'];
            _delay_ms(1);
        }
        low = (PIND & (1 << PD2)) ? 0 : (low < 3 ? low + 1 : 3);
        if (low == 3 && !held) PORTB ^= 1 << PB0;
        held = low == 3 ? 1 : (low == 0 ? 0 : held);
    }
}
