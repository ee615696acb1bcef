#pragma once

// A plot's kept samples as a CSV file: a header row "序号,时间,<channel
// names>", then one row per kept sample, oldest first: its number, the local
// time of its read ("2024-05-01 13:45:06.789"), and each channel's value in
// the shortest form that reads back as the same double (empty where the
// sample has none). Lines end in CR LF; the text is in the page's encoding.
// Meant to run on a thread of its own with a copy of the samples.
//
//   WritePlotCsv("波形数据.csv", samples, names, TextEncoding::Gbk, cancel);  // or, as
//   WritePlotExport(path, cancel, [&](PlotExportOut& out) { WritePlotCsv(out, samples, names, encoding); });

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "plot/PlotExport.h"
#include "plot/PlotSamples.h"
#include "terminal/TextCodec.h"

namespace viz {

struct PlotCsvResult {
    std::string error;  // the system's description; empty when written
    std::size_t rows = 0;
    bool cancelled = false;
};

// The CSV text into an export, in blocks of rows; stops where the export does.
void WritePlotCsv(PlotExportOut& out, const PlotSamples& samples, const std::vector<std::u16string>& names,
                  TextEncoding encoding);

// Replaces the file at `path` once complete (see PlotExport.h). A write that
// fails or is cancelled (checked between blocks of rows) leaves no file
// behind, and an earlier one as it was.
PlotCsvResult WritePlotCsv(const std::filesystem::path& path, const PlotSamples& samples,
                           const std::vector<std::u16string>& names, TextEncoding encoding,
                           const std::atomic<bool>& cancel);

}  // namespace viz
