#pragma once

#include <cstddef>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "update/UpdateServers.h"

namespace viz {

// A fetched server file holds at most this many characters; the rest of a
// longer file is never read.
inline constexpr std::size_t kServerTextMaxUnits = 40959;
inline constexpr std::size_t kMaxNotices = 32;
// The program's own version, written without dots.
inline constexpr int kOwnVersionNumber = 168;

struct ServerText {
    std::string bytes;    // as served, cut where the text was cut
    std::u16string text;  // the bytes read as code page 936
};

// Fetches a small server file: 5 s to connect, 15 s in all, never more than
// kServerTextMaxUnits characters. An HTTP error status, a broken connection
// or a stop request is a failure (nullopt).
std::optional<ServerText> FetchServerText(const std::string& url, std::stop_token stop = {});

// A server file counts only if it carries the marker word; anything else is
// taken for an error page.
bool IsValidServerText(std::u16string_view text);

// The decimal number that starts at byte offset 7: blanks, one sign, digits;
// 0 without digits, clamped to the int range.
int VersionNumberOf(std::string_view bytes);

// 1: a newer version is on the server; 0: none; -1: failed or not valid.
int CheckVersion(const std::string& url, std::stop_token stop = {});
// The primary server, and only when that fails the mirror.
int CheckVersionOnServers(const UpdateServers& servers, std::stop_token stop = {});

// A valid text of `path` from the primary server, else from the mirror.
std::optional<std::u16string> FetchValidText(const UpdateServers& servers, const char* path,
                                             std::stop_token stop = {});

// The notices of a title file: CR and LF dropped, "#" ends an entry, "$" ends
// the list. Without "$" or without any "#" there are none; the non-empty
// text between the last "#" and "$" is the last entry. At most kMaxNotices.
std::vector<std::u16string> ParseNotices(std::u16string_view text);

}  // namespace viz
