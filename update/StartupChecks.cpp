#include "update/StartupChecks.h"

#include "update/ServerText.h"
#include "update/StoppableWait.h"

namespace viz {

StartupChecks::StartupChecks(UpdateServers servers, StartupEvents events, StartupTiming timing)
    : servers_(std::move(servers)),
      events_(std::move(events)),
      timing_(timing),
      versionThread_([this](std::stop_token stop) { CheckVersionLater(stop); }),
      noticeThread_([this](std::stop_token stop) { RotateNoticesLater(stop); }) {}

void StartupChecks::CheckVersionLater(std::stop_token stop) {
    if (!WaitUnlessStopped(stop, timing_.versionDelay)) return;
    if (CheckVersionOnServers(servers_, stop) == 1 && !stop.stop_requested() && events_.newVersion)
        events_.newVersion();
}

void StartupChecks::RotateNoticesLater(std::stop_token stop) {
    if (!WaitUnlessStopped(stop, timing_.noticeDelay)) return;
    const std::optional<std::u16string> text = FetchValidText(servers_, kTitleFilePath, stop);
    if (!text || !events_.title) return;
    const std::vector<std::u16string> notices = ParseNotices(*text);
    if (notices.empty()) return;
    for (std::size_t i = 0; !stop.stop_requested(); i = (i + 1) % notices.size()) {
        events_.title(notices[i]);
        if (!WaitUnlessStopped(stop, timing_.noticeInterval)) return;
    }
}

}  // namespace viz
