/* The ATmega16 learning board's firmware for the tests (8 MHz): "Hello,
   Duvezer" on the LCD (8 bits: D0-D7 on PC, RS PA1, RW PA2, E PA3), then
   "20261208" scanned on the display (segments on PC, decoder on PA4-PA6,
   Y0 rightmost), one millisecond a digit. */
#include <avr/io.h>
#include <avr/pgmspace.h>
#include <util/delay.h>

static void lcd(unsigned char data, unsigned char value) {
    if (data)
        PORTA |= _BV(PA1);
    else
        PORTA &= (unsigned char)~_BV(PA1);
    PORTA &= (unsigned char)~_BV(PA2);
    PORTC = value;
    PORTA |= _BV(PA3);
    _delay_us(1);
    PORTA &= (unsigned char)~_BV(PA3);
    _delay_ms(3);
}

static const unsigned char kCodes[] PROGMEM = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};
static const char kNumber[] = "20261208";
static const char kText[] = "Hello, Duvezer";

int main(void) {
    unsigned char i;
    DDRA = 0xFE;
    DDRC = 0xFF;
    PORTA = 0;
    _delay_ms(20);
    lcd(0, 0x38);
    lcd(0, 0x38);
    lcd(0, 0x0C);
    lcd(0, 0x06);
    lcd(0, 0x01);
    for (i = 0; kText[i]; ++i) lcd(1, (unsigned char)kText[i]);
    for (;;) {
        for (i = 0; i < 8; ++i) {
            PORTC = 0;
            PORTA = (unsigned char)((PORTA & 0x81) | ((7 - i) << 4));
            PORTC = pgm_read_byte(&kCodes[kNumber[i] - '0']);
            _delay_ms(1);
        }
    }
}
