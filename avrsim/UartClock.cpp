#include "avrsim/UartClock.h"

#include <cstring>

namespace viz::avrsim {
namespace {

constexpr std::uint8_t kUrsel = 0x80;

}  // namespace

UartClock::UartClock(avr_t* avr) : avr_(avr) {
    for (avr_io_t* io = avr->io_port; io; io = io->next) {
        if (std::strcmp(io->kind, "uart") != 0) continue;
        auto* uart = reinterpret_cast<avr_uart_t*>(io);
        if (uart->name == '0') uart_ = uart;
    }
    if (!uart_) return;
    shared_ = uart_->r_ucsrc == uart_->ubrrh.reg;
    if (shared_) {
        avr_irq_t* writes = avr_iomem_getirq(avr, uart_->r_ucsrc, nullptr, AVR_IOMEM_IRQ_ALL);
        if (writes) avr_irq_register_notify(writes, SharedWrite, this);
    }
}

void UartClock::SharedWrite(avr_irq_t*, std::uint32_t value, void* self) {
    auto* clock = static_cast<UartClock*>(self);
    if (value & kUrsel) {
        clock->ucsrc_ = static_cast<std::uint8_t>(value);
    } else {
        clock->ubrrHigh_ = static_cast<std::uint8_t>(value & 0x0F);
    }
}

std::uint64_t UartClock::ByteCycles(std::uint8_t ucsrc, bool nineBits, std::uint32_t ubrr, bool doubleSpeed) {
    const unsigned dataBits = nineBits && (ucsrc & 0x06) == 0x06 ? 9 : 5 + ((ucsrc >> 1) & 3);
    const unsigned parityBits = (ucsrc >> 5) & 1;
    const unsigned stopBits = (ucsrc & 0x08) ? 2 : 1;
    return std::uint64_t{ubrr + 1} * (doubleSpeed ? 8 : 16) * (1 + dataBits + parityBits + stopBits);
}

bool UartClock::Receiving() const {
    return uart_ && avr_regbit_get(avr_, uart_->rxen) != 0;
}

void UartClock::Apply() {
    if (!uart_) return;
    const std::uint8_t ucsrc = shared_ ? ucsrc_ : avr_->data[uart_->r_ucsrc];
    const std::uint32_t high = shared_ ? ubrrHigh_ : avr_->data[uart_->ubrrh.reg] & 0x0F;
    const std::uint32_t ubrr = high << 8 | avr_->data[uart_->ubrrl.reg];
    const std::uint64_t cycles = ByteCycles(ucsrc, avr_regbit_get(avr_, uart_->ucsz2) != 0, ubrr,
                                            avr_regbit_get(avr_, uart_->u2x) != 0);
    if (uart_->cycles_per_byte != cycles) uart_->cycles_per_byte = cycles;
}

}  // namespace viz::avrsim
