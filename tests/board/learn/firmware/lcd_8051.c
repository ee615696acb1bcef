/* The 8051 learning board's LCD firmware for the tests: RS P2.6, RW P2.5,
   E P2.7, D0-D7 on P0. Built with LCD_4BIT defined it talks over D4-D7
   (P0.4-P0.7) only and waits out each instruction; otherwise it reads the
   busy flag before each one with E held high, never a delay. After the
   power-on sequence it writes a user character, "Hello, Duvezer" from the
   second column, the user character and "OK" from the second column of
   line 2, then shifts the display one column left: the LCD shows
   "Hello, Duvezer" over "<user character>OK". */
#include <8052.h>

#define RS P2_6
#define RW P2_5
#define E P2_7

static __code const unsigned char kSmile[8] = {0x00, 0x0A, 0x0A, 0x00, 0x11, 0x0E, 0x00, 0x00};

static void wait(unsigned int n) {
    while (n--)
        ;
}

static void put_bus(unsigned char value) {
    P0 = value;
    E = 1;
    E = 0;
}

static void ready(void) {
#ifdef LCD_4BIT
    wait(300);
#else
    P0 = 0xFF; /* let the controller drive the bus */
    RS = 0;
    RW = 1;
    E = 1;
    while (P0 & 0x80)
        ;
    E = 0;
#endif
}

static void lcd(unsigned char data, unsigned char value) {
    ready();
    RS = data;
    RW = 0;
    put_bus(value);
#ifdef LCD_4BIT
    put_bus(value << 4);
#endif
}

static void text(__code const char* s) {
    while (*s) lcd(1, *s++);
}

void main(void) {
    unsigned char i;
    E = 0;
    RW = 0;
    RS = 0;
    wait(2000);
    /* The power-on sequence, before the busy flag can be read. */
    put_bus(0x30);
    wait(600);
    put_bus(0x30);
    wait(200);
    put_bus(0x30);
    wait(200);
#ifdef LCD_4BIT
    put_bus(0x20);
    wait(200);
    lcd(0, 0x28);
#else
    lcd(0, 0x38);
#endif
    lcd(0, 0x0C);
    lcd(0, 0x06);
    lcd(0, 0x01);
    lcd(0, 0x40);
    for (i = 0; i < 8; ++i) lcd(1, kSmile[i]);
    lcd(0, 0x81);
    text("Hello, Duvezer");
    lcd(0, 0xC1);
    lcd(1, 0);
    text("OK");
    lcd(0, 0x18);
    for (;;)
        ;
}
