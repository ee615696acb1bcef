#pragma once

// "下载到芯片": a wizard's code built as the virtual board builds it (sdcc or
// avr-gcc in a board folder, off the window's thread), the compiler's output
// shown in the download window, and the built firmware handed to it as
// "当前向导代码". The folder stays until the next build or the program's end.
//
//   CWizardDownload builder(DefaultToolSearch(), mainWindow);
//   builder.Build(wizard.BoardFirmware(), CFlashDlg::Open(context, mainWindow));

#include <QObject>
#include <QPointer>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>

#include "base/WizardFirmware.h"
#include "board/BoardRun.h"
#include "board/BoardTools.h"

namespace viz {

class CFlashDlg;

class CWizardDownload : public QObject, private BoardEvents {
    Q_OBJECT

public:
    CWizardDownload(ToolSearch search, QObject* parent);
    // Stops a build still running, then removes the folder.
    ~CWizardDownload() override;

    // A build still running for an earlier click is stopped first.
    void Build(const WizardFirmware& firmware, CFlashDlg* window);

signals:
    // A build ended; the window's status line says how.
    void built(bool ok);

private:
    void StopBuild();
    void RemoveFolder();
    void Run(std::uint64_t number, WizardFirmware firmware, std::filesystem::path folder);
    void Ended(std::uint64_t number, bool ok, const QString& text, const QString& firmware);
    void OnOutput(const std::string& text) override;
    void OnSimulatorProcess(int) override {}
    void OnReady(const std::string&) override {}

    const ToolSearch search_;
    QPointer<CFlashDlg> window_;
    std::filesystem::path folder_;
    std::thread thread_;
    int stopFd_ = -1;
    // Counts builds, so news of a stopped one is dropped.
    std::atomic<std::uint64_t> number_{0};
};

}  // namespace viz
