#pragma once

#include <string>
#include <string_view>

namespace viz {

// The files every update server offers, at the same paths on each.
inline constexpr char kVersionFilePath[] = "/dodiror/VERSIONEx.xml";
inline constexpr char kTitleFilePath[] = "/dodiror/VedodiTitleInfoEx.xml";
inline constexpr char kInfoFilePath[] = "/dodiror/VedodiInfo.xml";
inline constexpr char kArchivePath[] = "/dodiror/Duvezer.rar";

// The primary update server and its mirror, as base addresses without a
// trailing slash.
struct UpdateServers {
    std::string primary;
    std::string mirror;

    // The maker's addresses, each replaced by VIZURUV_UPDATE_PRIMARY or
    // VIZURUV_UPDATE_MIRROR when that is set and not empty.
    static UpdateServers FromEnvironment();
};

// `base` + `path`, with one slash between them however `base` ends.
std::string ServerUrl(std::string_view base, std::string_view path);

}  // namespace viz
