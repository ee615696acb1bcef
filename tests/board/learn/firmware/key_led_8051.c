/* The 8051 learning board's firmware for the tests: each press of K1
   (P3.1, low while pressed) toggles LED D1 (P2.0, lit while low). */
#include <8052.h>

static void wait(unsigned int n) {
    while (n--)
        ;
}

void main(void) {
    __bit was = 1;
    for (;;) {
        __bit now = P3_1;
        if (was && !now) P2_0 = !P2_0;
        was = now;
        wait(100);
    }
}
