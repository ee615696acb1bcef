#pragma once

// A dump exported with "导出VCD" read back by sigrok-cli's timing decoder:
// the times from each edge of `channel` to the next, in seconds, and the
// square wave's frequency they give.
//
//   const SigrokEdges edges = ReadEdgesWithSigrok(vcd, "P1.5");
//   EXPECT_NEAR(edges.Hertz(), 1000.0, 10.0) << edges.output;
//
//   const ExportedEdges read = ExportAndReadBack(*panel.logic(), vcd, "P1.5");
//   ASSERT_TRUE(read.exported) << read.status;

#include <QLabel>
#include <QTest>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "board/learn/LogicView.h"

namespace viz::testing {

struct SigrokEdges {
    std::string output;          // what sigrok-cli printed
    std::vector<double> halves;  // seconds from one edge to the next

    double Hertz() const {
        double sum = 0;
        for (double half : halves) sum += half;
        return sum > 0 ? static_cast<double>(halves.size()) / (2 * sum) : 0;
    }
};

inline SigrokEdges ReadEdgesWithSigrok(const std::filesystem::path& vcd, const std::string& channel) {
    SigrokEdges edges;
    const std::string command =
        "sigrok-cli -I vcd -i '" + vcd.string() + "' -P timing:data=" + channel + " -A timing=time 2>&1";
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            edges.output.append(buffer, got);
        ::pclose(pipe);
    }
    // "timing-1: 499.000 μs (2.004 kHz)": the time from one edge to the next.
    std::istringstream lines(edges.output);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t colon = line.find(": ");
        if (line.rfind("timing", 0) != 0 || colon == std::string::npos) continue;
        std::istringstream fields(line.substr(colon + 2));
        double value = 0;
        std::string unit;
        if (!(fields >> value >> unit)) continue;
        const double scale = unit == "ms" ? 1e-3 : unit == "ns" ? 1e-9 : unit == "s" ? 1.0 : 1e-6;
        edges.halves.push_back(value * scale);
    }
    return edges;
}

struct ExportedEdges {
    bool exported = false;  // the view said "已导出" within the patience
    std::string status;     // what the view's status said
    SigrokEdges edges;
};

// Exports the view's recording to `vcd` as "导出VCD" does, waits for the
// view to say it is written, and reads it back.
inline ExportedEdges ExportAndReadBack(CLogicView& logic, const std::filesystem::path& vcd,
                                       const std::string& channel, int patienceMs) {
    ExportedEdges read;
    logic.ExportVcd(QString::fromStdString(vcd.string()));
    read.exported = QTest::qWaitFor(
        [&] { return logic.status()->text().startsWith(QStringLiteral("已导出")); }, patienceMs);
    read.status = logic.status()->text().toStdString();
    if (read.exported) read.edges = ReadEdgesWithSigrok(vcd, channel);
    return read;
}

}  // namespace viz::testing
