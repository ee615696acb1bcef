#include "plot/PlotExport.h"

#include "platform/ReplacementFile.h"

namespace viz {

bool PlotExportOut::Write(std::string_view bytes) {
    if (failed()) return false;
    if (cancel_.load(std::memory_order_relaxed)) {
        cancelled_ = true;
        return false;
    }
    if (!file_.Write(bytes)) error_ = file_.error();
    return !failed();
}

void PlotExportOut::Fail(std::string reason) {
    if (error_.empty()) error_ = std::move(reason);
}

PlotExportResult WritePlotExport(const std::filesystem::path& path, const std::atomic<bool>& cancel,
                                 const std::function<void(PlotExportOut& out)>& content) {
    ReplacementFile file(path);
    if (!file.Open()) return {file.error(), false};
    PlotExportOut out(file, cancel);
    content(out);
    if (out.failed()) return {out.error(), out.cancelled()};
    if (cancel.load(std::memory_order_relaxed)) return {{}, true};
    if (!file.Commit()) return {file.error(), false};
    return {};
}

}  // namespace viz
