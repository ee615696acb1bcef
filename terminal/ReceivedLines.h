#pragma once

// Received text as lines, for consumers other than the receive area (a live
// plot, a parser): the page's receive pipeline decodes every chunk in the
// page's encoding and hands each complete line to its subscribers, with the
// wall-clock time of the read that brought the line's first byte.
//
//   class Plot : public ReceivedLineSink {
//       void OnLine(const ReceivedLine& line) override { Parse(line.text, line.readTime); }
//   };
//   area->pipeline().AddLineSink(&plot);      // on the UI thread
//   area->pipeline().RemoveLineSink(&plot);   // before the plot goes
//
// Lines end at LF, CR or CR LF (a CR LF split between two reads is one
// break); the break is not part of the text. Lines come in the order the
// bytes arrived, on the UI thread, while the area is not paused, whatever it
// shows (hex or text). Time stamps, frame breaks and the server page's
// sender prefix are the area's and are not in the lines; the text of a read
// ends at its first zero byte, as the area shows it. A line longer than
// kMaxLineUnits code units is handed on in pieces of that size; every piece
// but the last has `more` set.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace viz {

struct ReceivedLine {
    // Which stream of the area it came from: 0 on pages with one link per
    // area; on the server page the client's id.
    std::uint64_t source = 0;
    // When the reader thread read the line's first byte (system clock).
    std::chrono::system_clock::time_point readTime;
    // Without its line break; valid only during the call.
    std::u16string_view text;
    // The line goes on in the next call: this is a piece of a long line.
    bool more = false;
};

class ReceivedLineSink {
public:
    virtual ~ReceivedLineSink() = default;
    virtual void OnLine(const ReceivedLine& line) = 0;
};

// Cuts one stream's decoded text into lines across reads.
class LineAssembler {
public:
    static constexpr std::size_t kMaxLineUnits = 64 * 1024;

    // `text` is the decoded text of one read made at `readTime`.
    void Feed(std::u16string_view text, std::chrono::system_clock::time_point readTime, std::uint64_t source,
              ReceivedLineSink& sink);

private:
    std::u16string partial_;
    std::chrono::system_clock::time_point partialTime_{};
    bool open_ = false;
    bool afterCr_ = false;
};

}  // namespace viz
