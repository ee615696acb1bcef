#pragma once

// What the monitor helper and the advanced monitor page say to each other
// over the helper's local socket.
//
// Every message is a frame: a 16-byte header (body length, request code,
// tag, status; 32-bit little-endian each) and the body. A request carries the
// code, a tag of the asker's choosing and status 0; its answer carries the
// same code and tag, status 0 or an errno value, and the output. A size
// request stays unanswered until a record is queued, so other requests on
// the same connection may be answered before it: the tag pairs them.
// A watch belongs to the connection that started it: stop, size and fetch
// naming any other watch, or one that has ended, are answered kNoSuchWatch.
//
//   start  input: the port ("/dev/ttyUSB0", or a name under /dev) as UTF-16LE
//          with a terminating zero; output: the 32-bit watch identifier, then
//          the alias path (UTF-8) the watched program is to open instead.
//   stop   input: the watch identifier; output: none. A pending size request
//          of that watch is answered with ECANCELED.
//   size   input: the watch identifier; output: the 32-bit size of the next
//          record, answered once one is queued.
//   fetch  input: the watch identifier; output: the next record.
//
// A record: 16 header bytes (a 64-bit sequence number and the 64-bit
// steady-clock time in microseconds when it was queued), the 32-bit data
// length N, the 8-bit kind, 3 zero bytes, then N data bytes.

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace viz::sermon {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint32_t kStart = 0x10012004;
inline constexpr std::uint32_t kStop = 0x10012008;
inline constexpr std::uint32_t kSize = 0x1001200C;
inline constexpr std::uint32_t kFetch = 0x10012010;

inline constexpr std::int32_t kNoSuchWatch = EINVAL;

enum class RecordKind : std::int8_t { Opened = 0, Received = 1, Sent = 2, Closed = 3 };

inline constexpr std::size_t kRecordHeaderSize = 24;
// The page reads a record into a buffer of this size, header included, so
// the helper splits longer data into several records.
inline constexpr std::size_t kRecordBufferSize = 4096;
inline constexpr std::size_t kMaxRecordData = kRecordBufferSize - kRecordHeaderSize;

Bytes EncodeRecord(RecordKind kind, const std::uint8_t* data, std::size_t size, std::uint64_t sequence = 0,
                   std::uint64_t micros = 0);

struct RecordView {
    std::int8_t kind = 0;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};

// Nothing when the bytes are not exactly one record.
std::optional<RecordView> DecodeRecord(const std::uint8_t* bytes, std::size_t size);

inline constexpr std::size_t kFrameHeaderSize = 16;
// Larger bodies are refused: no request or answer comes near it.
inline constexpr std::size_t kMaxFrameBody = 64 * 1024;

struct Frame {
    std::uint32_t code = 0;
    std::uint32_t tag = 0;
    std::int32_t status = 0;
    Bytes body;
};

Bytes EncodeFrame(std::uint32_t code, std::uint32_t tag, std::int32_t status, const Bytes& body = {});

// Cuts a byte stream into frames.
class FrameReader {
public:
    void Feed(const std::uint8_t* bytes, std::size_t size);
    // The next whole frame, if one has arrived.
    std::optional<Frame> Next();
    // A header announced a body beyond kMaxFrameBody: the stream is garbage.
    bool broken() const { return broken_; }

private:
    Bytes buffer_;
    std::size_t start_ = 0;
    bool broken_ = false;
};

Bytes EncodeWatchId(std::uint32_t id);
std::optional<std::uint32_t> DecodeWatchId(const Bytes& body);

Bytes EncodeStartInput(std::string_view portUtf8);
// The port name, or nothing when the body is not zero-terminated UTF-16LE.
std::optional<std::string> DecodeStartInput(const Bytes& body);

// The helper's socket: $XDG_RUNTIME_DIR/vizuruv/sermon.sock, or under
// /tmp/vizuruv-<uid> when the runtime folder is not set. The aliases are
// published in the same folder.
std::filesystem::path DefaultSocketPath();

// The owner of `folder` when it exists and belongs to another user, whom the
// helper will not trust with the socket: the user's name, else the number.
std::optional<std::string> ForeignFolderOwner(const std::filesystem::path& folder);

}  // namespace viz::sermon
