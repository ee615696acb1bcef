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

// PINx is worked out whole here: the register's stored value is what the
// last read returned, so a join's low level would otherwise stay in it. The
// library's own read still runs for what it tells its watchers.
std::uint8_t PortPins::WiredRead(avr_t* avr, avr_io_addr_t address, void* port) {
    const auto& self = *static_cast<const Port*>(port);
    if (self.read) self.read(avr, address, self.readParam);
    const auto level = static_cast<std::uint8_t>((self.latch | ~self.direction) & self.outside &
                                                 ~self.owner->JoinedLow(self));
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

PortPins::Port* PortPins::Find(char letter) {
    for (Port& port : ports_) {
        if (port.io->name == letter) return &port;
    }
    return nullptr;
}

bool PortPins::SetOutside(char letter, std::uint8_t levels, std::uint64_t seenCycle) {
    Port* port = Find(letter);
    if (!port) return false;
    if (seenCycle < port->letGoAt) {
        levels |= port->letGo;
    } else {
        port->letGo = 0;
    }
    port->outside = levels;
    PutOutside(*port);
    return true;
}

// The groups are worked out here once: a read then only looks at which
// group has a pin driven low.
void PortPins::SetJoins(const std::vector<std::pair<PinName, PinName>>& pairs) {
    constexpr auto kNone = static_cast<std::size_t>(-1);
    joined_.clear();
    const auto member = [&](const PinName& pin) -> std::size_t {
        Port* port = Find(pin.port);
        if (!port || pin.bit > 7) return kNone;
        for (std::size_t i = 0; i < joined_.size(); ++i)
            if (joined_[i].port == port && joined_[i].bit == pin.bit) return i;
        // A group per pin, at most 32 of them (a keypad has eight lines).
        if (joined_.size() == 32) return kNone;
        joined_.push_back({port, pin.bit, static_cast<unsigned>(joined_.size())});
        return joined_.size() - 1;
    };
    for (const auto& [a, b] : pairs) {
        const std::size_t first = member(a);
        const std::size_t second = member(b);
        if (first == kNone || second == kNone) continue;
        const unsigned from = joined_[second].group;
        const unsigned to = joined_[first].group;
        for (Joined& pin : joined_)
            if (pin.group == from) pin.group = to;
    }
}

std::uint8_t PortPins::JoinedLow(const Port& port) const {
    std::uint32_t lowGroups = 0;
    for (const Joined& pin : joined_) {
        const Port& owner = *pin.port;
        const bool drivenLow = ((owner.direction & ~owner.latch) >> pin.bit) & 1u;
        const bool pulledLow = !((owner.outside >> pin.bit) & 1u);
        if (drivenLow || pulledLow) lowGroups |= 1u << pin.group;
    }
    std::uint8_t low = 0;
    for (const Joined& pin : joined_) {
        if (pin.port == &port && ((lowGroups >> pin.group) & 1u))
            low |= static_cast<std::uint8_t>(1u << pin.bit);
    }
    return low;
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
