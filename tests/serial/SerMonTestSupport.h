#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "SerialTestSupport.h"
#include "TempDir.h"
#include "serial/SerMonClient.h"

namespace viz::testing {

// One record as the page gets it.
struct SerMonRecord {
    sermon::RecordKind kind;
    Bytes data;
};

inline SerMonRecord DecodeForTest(const sermon::Bytes& bytes) {
    const std::optional<sermon::RecordView> view = sermon::DecodeRecord(bytes.data(), bytes.size());
    if (!view) {
        ADD_FAILURE() << "not a record";
        return {sermon::RecordKind::Opened, {}};
    }
    return {static_cast<sermon::RecordKind>(view->kind), Bytes(view->data, view->data + view->size)};
}

// Opens `path` as a watched program opens its serial port.
inline int OpenAsProgram(const std::filesystem::path& path) {
    return ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

// Reads from a non-blocking descriptor until `count` bytes came or nothing
// came for `quiet`.
inline Bytes ReadFrom(int fd, std::size_t count, std::chrono::milliseconds quiet = 2000ms) {
    Bytes bytes;
    std::uint8_t buffer[4096];
    while (bytes.size() < count) {
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(quiet.count())) <= 0) break;
        const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, count - bytes.size()));
        if (n > 0) {
            bytes.insert(bytes.end(), buffer, buffer + n);
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            break;
        }
    }
    return bytes;
}

}  // namespace viz::testing
