#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <shared_mutex>
#include <string>
#include <thread>
#include <vector>

#include "serial/ModemLines.h"
#include "serial/SerialOpenResult.h"
#include "serial/SerialPortConfig.h"
#include "terminal/Chunk.h"
#include "terminal/LinkWrite.h"

namespace viz {

// What a serial channel reports besides received bytes. Called on the
// channel's own threads, never after Close has returned; an implementation
// hands the news to the page's thread and must not call Close from here.
class SerialListener {
public:
    virtual ~SerialListener() = default;
    // An input line changed: `line` is one of kLineCts, kLineDsr, kLineRing,
    // kLineRlsd; `value` is that bit when the line went on, 0 when it went off.
    virtual void OnLineChanged(std::uint32_t line, std::uint32_t value) = 0;
    // The device went away while open (unplugged, hung up). Reading has
    // stopped; the port stays open until Close.
    virtual void OnDeviceLost() = 0;
};

// The serial page's one port. Open, the output-line setters and Close are
// called from the page's thread, Write from the send path's writer thread;
// while open, a reader thread pushes the received bytes in chunks of at most
// kChunkSize into the sink, and a line watcher thread reports the modem
// input lines.
class CSerial {
public:
    static constexpr std::size_t kChunkSize = 1024;

    explicit CSerial(ModemLinesFactory makeLines = MakeTermiosModemLines);
    virtual ~CSerial();
    CSerial(const CSerial&) = delete;
    CSerial& operator=(const CSerial&) = delete;

    // Opens the device exclusively and configures it raw as `config` says;
    // DTR and RTS are off afterwards and both queues are empty. An open
    // channel is closed first. The sink and listener must outlive the open
    // port. The input lines all count as off at open, so lines that are on
    // are reported at once.
    // With Queues::Keep, bytes that arrived while the port was closed stay to
    // be read (a port taken back from a download tool loses nothing).
    enum class Queues { Discard, Keep };
    SerialOpenResult Open(const SerialPortConfig& config, ChunkSink& sink, SerialListener& listener,
                          Queues queues = Queues::Discard);

    // Writes what the port's output queue takes, waiting for room as `wait`
    // says: a port that drains slowly (a slow line, flow control) is waited
    // for, never given up on. ENOTCONN when closed or closing; Close() ends a
    // waiting write at once and no write reaches the device after it.
    WriteStep Write(const std::uint8_t* data, std::size_t count, const WriteWait& wait);

    // Output lines; false when closed or the driver refuses.
    bool SetDtr(bool on);
    bool SetRts(bool on);
    bool SetBreak(bool on);

    // Stops both threads and waits for them, then releases the port. A chunk
    // being pushed is allowed to finish: when the sink may block (the page
    // is behind), the page must first let it return, or close it so Push
    // returns false. Safe on a closed channel.
    void Close();

    bool IsOpen() const { return fd_ >= 0; }
    const std::string& device() const { return device_; }

private:
    void ReadLoop(ChunkSink& sink, SerialListener& listener);
    void WatchLines(SerialListener& listener);

    ModemLinesFactory makeLines_;
    std::string device_;
    // Writes hold it shared while they use the descriptor; Close takes it
    // alone before releasing the descriptor.
    std::shared_mutex io_;
    int fd_ = -1;
    int stopFd_ = -1;
    std::atomic<bool> stopping_{false};
    std::unique_ptr<ModemLines> lines_;
    std::thread reader_;
    std::thread watcher_;
};

}  // namespace viz
