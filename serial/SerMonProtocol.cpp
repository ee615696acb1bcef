#include "serial/SerMonProtocol.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/CodePage.h"

namespace viz::sermon {
namespace {

void Put32(Bytes& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void Put64(Bytes& out, std::uint64_t value) {
    Put32(out, static_cast<std::uint32_t>(value));
    Put32(out, static_cast<std::uint32_t>(value >> 32));
}

std::uint32_t Get32(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

}  // namespace

Bytes EncodeRecord(RecordKind kind, const std::uint8_t* data, std::size_t size, std::uint64_t sequence,
                   std::uint64_t micros) {
    Bytes record;
    record.reserve(kRecordHeaderSize + size);
    Put64(record, sequence);
    Put64(record, micros);
    Put32(record, static_cast<std::uint32_t>(size));
    record.push_back(static_cast<std::uint8_t>(kind));
    record.insert(record.end(), 3, 0);
    if (size > 0) record.insert(record.end(), data, data + size);
    return record;
}

std::optional<RecordView> DecodeRecord(const std::uint8_t* bytes, std::size_t size) {
    if (size < kRecordHeaderSize) return std::nullopt;
    const std::uint32_t length = Get32(bytes + 16);
    if (length != size - kRecordHeaderSize) return std::nullopt;
    return RecordView{static_cast<std::int8_t>(bytes[20]), bytes + kRecordHeaderSize, length};
}

Bytes EncodeFrame(std::uint32_t code, std::uint32_t tag, std::int32_t status, const Bytes& body) {
    Bytes frame;
    frame.reserve(kFrameHeaderSize + body.size());
    Put32(frame, static_cast<std::uint32_t>(body.size()));
    Put32(frame, code);
    Put32(frame, tag);
    Put32(frame, static_cast<std::uint32_t>(status));
    frame.insert(frame.end(), body.begin(), body.end());
    return frame;
}

void FrameReader::Feed(const std::uint8_t* bytes, std::size_t size) {
    // Consumed frames are dropped only when a new piece arrives, so the
    // buffer never grows beyond one partial frame and one piece.
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
    start_ = 0;
    buffer_.insert(buffer_.end(), bytes, bytes + size);
}

std::optional<Frame> FrameReader::Next() {
    if (broken_ || buffer_.size() - start_ < kFrameHeaderSize) return std::nullopt;
    const std::uint8_t* header = buffer_.data() + start_;
    const std::uint32_t length = Get32(header);
    if (length > kMaxFrameBody) {
        broken_ = true;
        return std::nullopt;
    }
    if (buffer_.size() - start_ < kFrameHeaderSize + length) return std::nullopt;
    Frame frame;
    frame.code = Get32(header + 4);
    frame.tag = Get32(header + 8);
    frame.status = static_cast<std::int32_t>(Get32(header + 12));
    frame.body.assign(header + kFrameHeaderSize, header + kFrameHeaderSize + length);
    start_ += kFrameHeaderSize + length;
    return frame;
}

Bytes EncodeWatchId(std::uint32_t id) {
    Bytes body;
    Put32(body, id);
    return body;
}

std::optional<std::uint32_t> DecodeWatchId(const Bytes& body) {
    if (body.size() < 4) return std::nullopt;
    return Get32(body.data());
}

Bytes EncodeStartInput(std::string_view portUtf8) {
    Bytes body;
    for (char16_t unit : Utf8ToUtf16(portUtf8)) {
        body.push_back(static_cast<std::uint8_t>(unit));
        body.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    body.insert(body.end(), 2, 0);
    return body;
}

std::optional<std::string> DecodeStartInput(const Bytes& body) {
    if (body.size() < 2 || body.size() % 2 != 0) return std::nullopt;
    std::u16string name;
    for (std::size_t at = 0; at + 2 < body.size(); at += 2) {
        const auto unit = static_cast<char16_t>(body[at] | body[at + 1] << 8);
        if (unit == 0) return std::nullopt;
        name.push_back(unit);
    }
    if (body[body.size() - 2] != 0 || body[body.size() - 1] != 0) return std::nullopt;
    return Utf16ToUtf8(name);
}

std::filesystem::path DefaultSocketPath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/')
        return std::filesystem::path(runtime) / "vizuruv" / "sermon.sock";
    return std::filesystem::path("/tmp") / ("vizuruv-" + std::to_string(::getuid())) / "sermon.sock";
}

std::optional<std::string> ForeignFolderOwner(const std::filesystem::path& folder) {
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0 || info.st_uid == ::getuid()) return std::nullopt;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(info.st_uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr)
        return std::string(found->pw_name);
    return std::to_string(info.st_uid);
}

}  // namespace viz::sermon
