/* UART0 of either register layout, for the tests' firmware: ATmega16-style
   parts share one address between UBRRH and UCSRC (URSEL tells which is
   written), ATmega328P-style parts have a register for each. */
#include <avr/io.h>

#if defined(UCSR0A)
#define U_A UCSR0A
#define U_B UCSR0B
#define U_C UCSR0C
#define U_DR UDR0
#define U_BRRH UBRR0H
#define U_BRRL UBRR0L
#define U_RXC RXC0
#define U_UDRE UDRE0
#define U_TXEN TXEN0
#define U_RXEN RXEN0
#define U_U2X U2X0
#define U_SELECT 0
#else
#define U_A UCSRA
#define U_B UCSRB
#define U_C UCSRC
#define U_DR UDR
#define U_BRRH UBRRH
#define U_BRRL UBRRL
#define U_RXC RXC
#define U_UDRE UDRE
#define U_TXEN TXEN
#define U_RXEN RXEN
#define U_U2X U2X
#define U_SELECT (1 << URSEL)
#endif

static void put(char c) {
    while (!(U_A & (1 << U_UDRE))) {
    }
    U_DR = c;
}

static void say(const char* text) {
    while (*text) put(*text++);
}

static void drain(void) {
    while (!(U_A & (1 << U_UDRE))) {
    }
}
