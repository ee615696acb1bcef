#include "avrsim/PortPins.h"

#include <cstring>

#include "board/AvrSimProtocol.h"

namespace viz::avrsim {

PortPins::PortPins(avr_t* avr, ReportOut& report) : avr_(avr), report_(report) {
    for (avr_io_t* io = avr_->io_port; io; io = io->next) {
        if (io->kind && std::strcmp(io->kind, "port") == 0) Watch(reinterpret_cast<avr_ioport_t*>(io));
    }
}

void PortPins::Watch(avr_ioport_t* io) {
    Port& port = ports_.emplace_back();
    port.owner = this;
    port.io = io;
    avr_irq_register_notify(io->io.irq + IOPORT_IRQ_REG_PORT, LatchWritten, &port);
    avr_irq_register_notify(io->io.irq + IOPORT_IRQ_DIRECTION_ALL, DirectionWritten, &port);
    // The library reads an output pin as its latch alone; the board's level
    // is joined to it here.
    auto& slot = avr_->io[AVR_DATA_TO_IO(io->r_pin)].r;
    port.read = slot.c;
    port.readParam = slot.param;
    slot.c = WiredRead;
    slot.param = &port;
    PutOutside(port);
}

void PortPins::LatchWritten(avr_irq_t*, std::uint32_t value, void* port) {
    auto& self = *static_cast<Port*>(port);
    self.latch = static_cast<std::uint8_t>(value);
    self.owner->Changed(self, false);
}

// Raised before the library stores DDRx: the value is the new direction.
void PortPins::DirectionWritten(avr_irq_t*, std::uint32_t value, void* port) {
    auto& self = *static_cast<Port*>(port);
    const auto outputs = static_cast<std::uint8_t>(value & ~self.direction);
    if (outputs != 0) {
        self.letGo |= outputs;
        self.letGoAt = self.owner->avr_->cycle;
        self.outside |= outputs;
        self.owner->PutOutside(self);
    }
    self.direction = static_cast<std::uint8_t>(value);
    self.owner->Changed(self, false);
}

std::uint8_t PortPins::WiredRead(avr_t* avr, avr_io_addr_t address, void* port) {
    const auto& self = *static_cast<const Port*>(port);
    std::uint8_t level = self.read ? self.read(avr, address, self.readParam) : avr->data[address];
    level &= self.outside;
    avr->data[address] = level;
    return level;
}

void PortPins::Changed(Port& port, bool always) {
    const auto level = static_cast<std::uint8_t>(port.latch | ~port.direction);
    if (level == port.reported && !always) return;
    port.reported = level;
    report_.Add(Format(PortLine{avr_->cycle, port.io->name, level}));
    report_.Add("\n");
}

void PortPins::ReportAll() {
    for (Port& port : ports_) {
        port.latch = avr_->data[port.io->r_port];
        port.direction = avr_->data[port.io->r_ddr];
        PutOutside(port);
        Changed(port, true);
    }
}

bool PortPins::SetOutside(char letter, std::uint8_t levels, std::uint64_t seenCycle) {
    for (Port& port : ports_) {
        if (port.io->name != letter) continue;
        if (seenCycle < port.letGoAt) {
            levels |= port.letGo;
        } else {
            port.letGo = 0;
        }
        port.outside = levels;
        PutOutside(port);
        return true;
    }
    return false;
}

// The library hands an input pin its "external" level whenever the port is
// written, so a key held stays held across the firmware's writes; raising
// each pin sets PINx now and wakes a pin change interrupt.
void PortPins::PutOutside(Port& port) {
    avr_ioport_external_t external{};
    external.name = static_cast<unsigned char>(port.io->name);
    external.mask = 0xFF;
    external.value = port.outside;
    avr_ioctl(avr_, AVR_IOCTL_IOPORT_SET_EXTERNAL(port.io->name), &external);
    for (int bit = 0; bit < 8; ++bit) avr_raise_irq(port.io->io.irq + bit, (port.outside >> bit) & 1u);
    // A reset clears PINx without raising the pins, which then keep their value.
    avr_->data[port.io->r_pin] = port.outside;
}

}  // namespace viz::avrsim
