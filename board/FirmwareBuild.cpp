#include "board/FirmwareBuild.h"

#include <cerrno>
#include <fstream>

#include <poll.h>
#include <unistd.h>

#include "board/BoardTexts.h"
#include "platform/OutputTail.h"

namespace viz {
namespace {

constexpr char kWizardSource[] = "main.c";

std::filesystem::path Source(const BuildRequest& request) {
    return request.sourceFile.empty() ? std::filesystem::path(kWizardSource) : request.sourceFile;
}

std::string CommandLine(const BuildRequest& request) {
    std::string line = request.compiler.filename().string();
    for (const std::string& argument : CompilerArguments(request)) line += " " + argument;
    return line;
}

}  // namespace

std::filesystem::path FirmwareOutput(const BuildRequest& request) {
    const std::string stem = Source(request).stem().string();
    return request.folder / (stem + (request.chip.family == ChipFamily::Mcs51 ? ".ihx" : ".elf"));
}

std::vector<std::string> CompilerArguments(const BuildRequest& request) {
    const std::string source = Source(request).string();
    if (request.chip.family == ChipFamily::Mcs51) {
        // The linker itself says when the code or data do not fit the chip.
        const bool small = request.chip.codeBytes <= 4096;
        std::vector<std::string> arguments{"-mmcs51", "--code-size", std::to_string(request.chip.codeBytes),
                                           "--iram-size", small ? "128" : "256"};
        if (!request.sourceFile.empty()) {
            arguments.push_back("-o");
            arguments.push_back(request.folder.string() + "/");
        }
        arguments.push_back(source);
        return arguments;
    }
    return {"-mmcu=" + request.chip.simulatorName,
            "-DF_CPU=" + std::to_string(request.clockHz) + "UL",
            "-Os",
            "-o",
            FirmwareOutput(request).string(),
            source};
}

BuildResult BuildFirmware(const BuildRequest& request, int stopFd, BoardEvents& events) {
    if (request.sourceFile.empty()) {
        std::ofstream(request.folder / kWizardSource, std::ios::binary) << request.sourceText;
    }
    events.OnOutput(texts::board::kBuildCommand + CommandLine(request) + "\n");
    ChildSpec spec;
    spec.program = request.compiler;
    spec.arguments = CompilerArguments(request);
    spec.workingDirectory = request.folder;
    return RunBuildTool(spec, FirmwareOutput(request), stopFd, events);
}

BuildResult RunBuildTool(const ChildSpec& spec, const std::filesystem::path& output, int stopFd,
                         BoardEvents& events) {
    BuildResult result;
    ChildProcess compiler;
    if (const int error = compiler.Start(spec)) {
        result.kind = BuildResult::Kind::StartFailed;
        result.error = error;
        return result;
    }
    std::string pending;
    for (;;) {
        pollfd waits[2] = {{stopFd, POLLIN, 0}, {compiler.output(), POLLIN, 0}};
        if (::poll(waits, 2, -1) < 0 && errno != EINTR) break;
        if (waits[0].revents != 0) {
            compiler.Kill();
            result.kind = BuildResult::Kind::Stopped;
            return result;
        }
        char buffer[4096];
        const ssize_t got = ::read(compiler.output(), buffer, sizeof buffer);
        if (got > 0) {
            pending.append(buffer, static_cast<std::size_t>(got));
            if (std::string whole = TakeWholeUtf8(pending); !whole.empty()) events.OnOutput(whole);
        } else if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
            break;
        }
    }
    if (!pending.empty()) events.OnOutput(pending);
    const ExitStatus status = compiler.Wait();
    std::error_code error;
    result.firmware = output;
    result.kind = status.Succeeded() && std::filesystem::exists(result.firmware, error)
                      ? BuildResult::Kind::Built
                      : BuildResult::Kind::Failed;
    return result;
}

}  // namespace viz
