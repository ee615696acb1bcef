#include "serial/SerialReconnect.h"

namespace viz {

void SerialReconnect::Opened(const SerialPortConfig& config, const std::vector<ExtraSerialPort>& extras) {
    config_ = config;
    identity_ = IdentifySerialPort(config.device, system_, extras);
    state_ = State::Open;
}

SerialReconnect::Loss SerialReconnect::Lost(bool autoReconnect) {
    if (state_ != State::Open) return Loss::NotOpen;
    if (!autoReconnect || !identity_.CanReturn()) {
        state_ = State::Closed;
        return Loss::Closed;
    }
    state_ = State::Waiting;
    return Loss::Waiting;
}

bool SerialReconnect::HandOver() {
    if (state_ != State::Open) return false;
    state_ = State::Waiting;
    handedOver_ = true;
    return true;
}

bool SerialReconnect::IsRemovalOfOpenPort(const std::string& removedNode) const {
    return state_ == State::Open && IsSerialPortRemoval(identity_, removedNode);
}

std::optional<std::string> SerialReconnect::Retry(const std::vector<ExtraSerialPort>& extras,
                                                  const OpenFn& open) {
    if (state_ != State::Waiting) return std::nullopt;
    // The tool had the port by the path it was open at; the device never left.
    const std::string path = handedOver_ ? config_.device : FindSerialPort(identity_, system_, extras);
    if (path.empty() || (reserved_ && reserved_(path))) return std::nullopt;
    SerialPortConfig config = config_;
    config.device = path;
    if (!open(config)) return std::nullopt;
    identity_ = IdentifyReopenedSerialPort(identity_, path, system_, extras);
    config_ = std::move(config);
    state_ = State::Open;
    handedOver_ = false;
    return path;
}

}  // namespace viz
