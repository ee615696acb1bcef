/* The ATmega16 learning board's keypad and potentiometer firmware for the
   tests, at 8 MHz with the UART at 9600 baud. The keypad (rows R1-R4 on
   PB7-PB4, columns C1-C4 on PB3-PB0) is scanned every 5 ms, each row held
   low for only 5 microseconds; a key down for two scans in a row prints "K"
   and its code, row * 4 + column in hex, once per press. ADC0 (the potentiometer, AVCC reference) is read after
   every scan and printed as "ADC <reading>" when it moved by more than one. */
#define F_CPU 8000000UL
#include <avr/io.h>
#include <stdio.h>
#include <util/delay.h>

static void put(char c) {
    while (!(UCSRA & (1 << UDRE))) {
    }
    UDR = c;
}

static void say(const char* text) {
    while (*text) put(*text++);
}

/* The code of the one key down, 16 for none. */
static unsigned char scan(void) {
    unsigned char row, column, found = 16;
    for (row = 0; row < 4; ++row) {
        PORTB = (unsigned char)~(0x80 >> row);
        _delay_us(5);
        for (column = 0; column < 4; ++column) {
            if (!(PINB & (0x08 >> column))) found = row * 4 + column;
        }
    }
    PORTB = 0xFF;
    return found;
}

static unsigned int adc0(void) {
    ADCSRA |= 1 << ADSC;
    while (ADCSRA & (1 << ADSC)) {
    }
    return ADCW;
}

int main(void) {
    char line[16];
    unsigned char key, last = 16, printed = 16;
    unsigned int reading, shown = 0xFFFF;
    UBRRH = 0;
    UBRRL = 51;
    UCSRB = 1 << TXEN;
    UCSRC = (1 << URSEL) | (1 << UCSZ1) | (1 << UCSZ0);
    DDRB = 0xF0;
    PORTB = 0xFF;
    ADMUX = 1 << REFS0;
    ADCSRA = (1 << ADEN) | (1 << ADPS2) | (1 << ADPS1);
    say("ready\r\n");
    for (;;) {
        _delay_ms(5);
        key = scan();
        if (key == 16) printed = 16;
        if (key != 16 && key == last && key != printed) {
            snprintf(line, sizeof line, "K%X\r\n", key);
            say(line);
            printed = key;
        }
        last = key;
        reading = adc0();
        if (shown == 0xFFFF || reading > shown + 1 || reading + 1 < shown) {
            snprintf(line, sizeof line, "ADC %u\r\n", reading);
            say(line);
            shown = reading;
        }
    }
}
