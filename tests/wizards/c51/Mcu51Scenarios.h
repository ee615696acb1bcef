#pragma once

#include "wizards/c51/Mcu51Model.h"

// Register images built the way a user would click them, shared by the code
// generation and compiler tests.
namespace viz::testing {

// Timer 0 interrupt on without the global enable; 1000 us, 16 bit, running.
inline void SetUpTimer0InterruptWithoutGlobal(Mcu51Model& model) {
    model.Toggle(Mcu51Switch::Timer0Interrupt);
    model.SelectTimer0Mode(1);
    model.SetCountText(0, "1000");
    model.Toggle(Mcu51Switch::Timer0Run);
}

// Every check that can fire at once without excluding another.
inline void SetUpManyMistakes(Mcu51Model& model) {
    model.TogglePortBit(1, 0);
    model.TogglePortBit(3, 7);
    model.Toggle(Mcu51Switch::Timer1Interrupt);
    model.Toggle(Mcu51Switch::Timer2Interrupt);
    model.SelectPowerMode(2);
    model.SelectTimer0Mode(2);
    model.SetCountText(0, "1000");
    model.SelectTimer1Mode(3);
    model.SetCountText(1, "5000");
    model.SelectTimer2Mode(2);
}

// Global and all six interrupts on, every timer running in the given mode
// with 1000, 2000 and 10000 us.
inline void SetUpAllInterrupts(Mcu51Model& model, int mode0, int mode1, int mode2) {
    model.Toggle(Mcu51Switch::GlobalInterrupt);
    for (Mcu51Switch box :
         {Mcu51Switch::Ext0Interrupt, Mcu51Switch::Timer0Interrupt, Mcu51Switch::Ext1Interrupt,
          Mcu51Switch::Timer1Interrupt, Mcu51Switch::SerialInterrupt, Mcu51Switch::Timer2Interrupt,
          Mcu51Switch::Timer0Run, Mcu51Switch::Timer1Run, Mcu51Switch::Timer2Run}) {
        model.Toggle(box);
    }
    model.SelectTimer0Mode(mode0);
    model.SelectTimer1Mode(mode1);
    model.SelectTimer2Mode(mode2);
    model.SetCountText(0, "1000");
    model.SetCountText(1, "2000");
    model.SetCountText(2, "10000");
}

// The serial port as a user sets it up: 11.0592 MHz, timer 1 as baud
// generator at 9600, mode 1, receiving, serial and global interrupts,
// timer 1 running; no port box ticked.
inline void SetUpSerialPort(Mcu51Model& model) {
    model.SelectCrystal(14);
    model.SelectTimer1Mode(3);
    model.SelectSerialMode(1);
    model.Toggle(Mcu51Switch::SerialReceive);
    model.Toggle(Mcu51Switch::SerialInterrupt);
    model.Toggle(Mcu51Switch::GlobalInterrupt);
    model.Toggle(Mcu51Switch::Timer1Run);
}

}  // namespace viz::testing
