/* The ATmega16 learning board's LCD firmware for the tests, at 8 MHz: RS
   PA1, RW PA2, E PA3, D0-D7 on PC0-PC7. Built with -DLCD_4BIT it talks over
   D4-D7 (PC4-PC7) only and waits out each instruction; otherwise it polls
   the busy flag with RW high before each one, the bus an input all along.
   It writes "Hello, Duvezer" from the second column, a user character and
   "OK" from the second column of line 2, then shifts the display one column
   left: the LCD shows "Hello, Duvezer" over "<user character>OK". */
#define F_CPU 8000000UL
#include <avr/io.h>
#include <util/delay.h>

#define RS (1 << PA1)
#define RW (1 << PA2)
#define E (1 << PA3)
#ifdef LCD_4BIT
#define BUS 0xF0
#else
#define BUS 0xFF
#endif

static const unsigned char kSmile[8] = {0x00, 0x0A, 0x0A, 0x00, 0x11, 0x0E, 0x00, 0x00};

static void put_bus(unsigned char value) {
    PORTC = (PORTC & ~BUS) | (value & BUS);
    PORTA |= E;
    _delay_us(1);
    PORTA &= ~E;
    _delay_us(1);
}

static void wait_ready(void) {
#ifdef LCD_4BIT
    _delay_ms(2);
#else
    unsigned char status;
    DDRC = 0;
    PORTC = 0xFF;
    PORTA = (PORTA & ~RS) | RW;
    do {
        PORTA |= E;
        _delay_us(20);
        status = PINC;
        PORTA &= ~E;
        _delay_us(1);
    } while (status & 0x80);
    PORTA &= ~RW;
    DDRC = 0xFF;
#endif
}

static void send(unsigned char data, unsigned char value) {
    wait_ready();
    if (data)
        PORTA |= RS;
    else
        PORTA &= ~RS;
    put_bus(value);
#ifdef LCD_4BIT
    put_bus(value << 4);
#endif
}

static void text(const char* s) {
    while (*s) send(1, *s++);
}

int main(void) {
    unsigned char i;
    PORTA = 0;
    DDRA = RS | RW | E;
    DDRC = BUS;
    _delay_ms(20);
    /* The power-on sequence, before the busy flag can be read. */
    put_bus(0x30);
    _delay_ms(5);
    put_bus(0x30);
    _delay_ms(1);
    put_bus(0x30);
    _delay_ms(1);
#ifdef LCD_4BIT
    put_bus(0x20);
    _delay_ms(1);
    send(0, 0x28);
#else
    send(0, 0x38);
#endif
    send(0, 0x0C);
    send(0, 0x06);
    send(0, 0x01);
    send(0, 0x40);
    for (i = 0; i < 8; ++i) send(1, kSmile[i]);
    send(0, 0x81);
    text("Hello, Duvezer");
    send(0, 0xC1);
    send(1, 0);
    text("OK");
    send(0, 0x18);
    for (;;) {
    }
}
