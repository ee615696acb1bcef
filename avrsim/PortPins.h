#pragma once

// The chip's ports as a board around it sees them. Every write that changes
// what a port drives is reported at once with its cycle: a pin set as output
// drives its PORT bit, a pin set as input drives nothing and is reported
// high (the board's pull-ups). The board's own levels come back as the
// outside levels of a port: an input pin reads them, an output pin reads
// the wired result of its level and theirs (a key pulls a high pin low).
//
// The board answers a slice late. A pin the chip turns into an output is
// therefore let go by the board at once (a bus the LCD drove during a read
// is the chip's again), and an answer from before that turn does not drive
// it again: a firmware polling the LCD's busy flag reads "busy" until the
// board has seen its new read, never a stale "ready". A keypad cannot wait
// for the board: its pressed keys are joins between pins, and a pin joined
// to one driven low reads low at once, however fast the rows are scanned.
//
//   PortPins pins(avr, report);
//   pins.ReportAll();                  // once, and after every reset
//   pins.SetOutside('D', 0xFB, seen);  // K1 held on PD2, as the board saw the chip at cycle `seen`
//   pins.SetJoins({{{'B', 7}, {'B', 3}}}); // keypad key R1/C1 held

#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

extern "C" {
#include <avr_ioport.h>
#include <sim_avr.h>
}

#include "avrsim/ReportOut.h"
#include "board/AvrSimProtocol.h"

namespace viz::avrsim {

class PortPins {
public:
    // Watches every port `avr` has; its outside levels start all high.
    PortPins(avr_t* avr, ReportOut& report);
    PortPins(const PortPins&) = delete;
    PortPins& operator=(const PortPins&) = delete;

    // Every port's level now, reported whether it changed or not; after a
    // reset, which clears the registers without a write.
    void ReportAll();
    // False for a port the chip does not have.
    bool SetOutside(char letter, std::uint8_t levels, std::uint64_t seenCycle);
    // Replaces the joined pairs; pins of ports the chip lacks are left out.
    void SetJoins(const std::vector<std::pair<PinName, PinName>>& pairs);

private:
    struct Port {
        PortPins* owner = nullptr;
        avr_ioport_t* io = nullptr;
        std::uint8_t latch = 0;      // PORTx
        std::uint8_t direction = 0;  // DDRx
        std::uint8_t reported = 0;
        std::uint8_t outside = 0xFF;
        std::uint8_t letGo = 0;        // pins turned into outputs since...
        std::uint64_t letGoAt = 0;     // ...this cycle
        avr_io_read_t read = nullptr;  // the library's own PINx read
        void* readParam = nullptr;
    };

    // A pin of a join, and the pins it is joined to, directly or not, as one group.
    struct Joined {
        Port* port = nullptr;
        std::uint8_t bit = 0;
        unsigned group = 0;
    };

    static void LatchWritten(avr_irq_t*, std::uint32_t value, void* port);
    static void DirectionWritten(avr_irq_t*, std::uint32_t value, void* port);
    static std::uint8_t WiredRead(avr_t* avr, avr_io_addr_t address, void* port);
    void Watch(avr_ioport_t* io);
    void Changed(Port& port, bool always);
    void PutOutside(Port& port);
    Port* Find(char letter);
    // The bits of `port` that a join pulls low.
    std::uint8_t JoinedLow(const Port& port) const;

    avr_t* avr_;
    ReportOut& report_;
    std::deque<Port> ports_;  // stable addresses: the library holds pointers to them
    std::vector<Joined> joined_;
};

}  // namespace viz::avrsim
