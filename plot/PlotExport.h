#pragma once

// The one road of the plot window's exports, the CSV file and the picture:
// the content is made on the calling thread (the window's writer thread) in
// as many pieces as it likes and goes into a ReplacementFile, so only a
// complete file takes the chosen name; a failure says why in the system's
// words, and a failed or cancelled export leaves no partial file behind.
//
//   PlotExportResult result = WritePlotExport(path, cancel, [&](PlotExportOut& out) {
//       while (more) if (!out.Write(NextPiece())) return;   // false: stop
//   });
//   if (!result.error.empty()) report(result.error);

#include <atomic>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace viz {

class ReplacementFile;

// Where the content goes.
class PlotExportOut {
public:
    PlotExportOut(ReplacementFile& file, const std::atomic<bool>& cancel) : file_(file), cancel_(cancel) {}

    // False when the export is over (a write failed, or it was cancelled):
    // the content stops there.
    bool Write(std::string_view bytes);
    // The content could not be made; `reason` is what the user reads.
    void Fail(std::string reason);

    bool failed() const { return !error_.empty() || cancelled_; }
    const std::string& error() const { return error_; }
    bool cancelled() const { return cancelled_; }

private:
    ReplacementFile& file_;
    const std::atomic<bool>& cancel_;
    std::string error_;
    bool cancelled_ = false;
};

struct PlotExportResult {
    std::string error;  // the system's description; empty when written
    bool cancelled = false;
};

PlotExportResult WritePlotExport(const std::filesystem::path& path, const std::atomic<bool>& cancel,
                                 const std::function<void(PlotExportOut& out)>& content);

}  // namespace viz
