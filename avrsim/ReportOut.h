#pragma once

// The runner's report lines on their way to the window: gathered during a
// slice of the chip's time and written at its end in one go. A window that
// reads late only makes the lines wait here; only far behind does the
// runner wait for it, so no line is ever lost.
//
//   ReportOut report(fd);
//   report.Add("port 8000123 B 01\n");   // as often as changes happen
//   report.Flush();                      // at the slice's end, never waits long
//   report.Finish();                     // before the runner ends: everything written

#include <cstddef>
#include <string>
#include <string_view>

namespace viz::avrsim {

class ReportOut {
public:
    explicit ReportOut(int fd);

    void Add(std::string_view text) { held_.append(text); }
    // Writes what the descriptor takes now; waits for it only while more
    // than a few megabytes are held.
    void Flush();
    // Writes everything, waiting as long as the reader takes.
    void Finish();

private:
    // False once the reader is gone (what is held is then dropped).
    bool WriteSome();
    void WaitWritable() const;

    int fd_;
    std::string held_;
    std::size_t written_ = 0;  // of held_, already out
};

}  // namespace viz::avrsim
