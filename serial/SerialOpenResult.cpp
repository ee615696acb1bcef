#include "serial/SerialOpenResult.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "serial/SerialTexts.h"

namespace viz {
namespace {

// One pass over the pattern, so a device path that itself holds "%2" stays as it is.
std::string Format(std::string_view pattern, const std::string& first, const std::string& second = {}) {
    std::string text;
    for (std::size_t at = 0; at < pattern.size(); ++at) {
        if (pattern[at] == '%' && at + 1 < pattern.size() &&
            (pattern[at + 1] == '1' || pattern[at + 1] == '2')) {
            text += pattern[++at] == '1' ? first : second;
        } else {
            text += pattern[at];
        }
    }
    return text;
}

// getgrgid_r/getpwuid_r want a caller buffer that may have to grow.
template <typename Entry, typename Key, typename Lookup>
bool LookUp(Lookup lookup, Key key, Entry& entry, std::vector<char>& buffer) {
    buffer.resize(1024);
    for (;;) {
        Entry* found = nullptr;
        const int error = lookup(key, &entry, buffer.data(), buffer.size(), &found);
        if (error == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        return error == 0 && found != nullptr;
    }
}

bool ProcessHasGroup(gid_t gid) {
    if (::getegid() == gid) return true;
    const int count = ::getgroups(0, nullptr);
    if (count <= 0) return false;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    const int got = ::getgroups(count, groups.data());
    return got > 0 && std::find(groups.begin(), groups.begin() + got, gid) != groups.begin() + got;
}

// The user is listed in the group (or has it as primary group) in the user
// database, which takes effect only at the next login.
bool UserListedInGroup(const group& entry) {
    passwd user{};
    std::vector<char> buffer;
    if (!LookUp(::getpwuid_r, ::geteuid(), user, buffer)) return false;
    if (user.pw_gid == entry.gr_gid) return true;
    for (char** member = entry.gr_mem; member && *member; ++member) {
        if (std::strcmp(*member, user.pw_name) == 0) return true;
    }
    return false;
}

void DescribeOwningGroup(SerialOpenResult& result) {
    struct stat info {};
    if (::stat(result.device.c_str(), &info) != 0) return;
    group entry{};
    std::vector<char> buffer;
    if (!LookUp(::getgrgid_r, info.st_gid, entry, buffer)) return;
    result.group = entry.gr_name;
    const bool groupMayUse = (info.st_mode & S_IRGRP) && (info.st_mode & S_IWGRP);
    result.joiningGroupHelps = groupMayUse && !ProcessHasGroup(info.st_gid);
    result.memberNotYetActive = result.joiningGroupHelps && UserListedInGroup(entry);
}

std::string ErrorName(int error) {
    const char* name = ::strerrorname_np(error);
    return name ? std::string(name) + "（" + std::to_string(error) + "）" : std::to_string(error);
}

}  // namespace

SerialOpenResult ClassifySerialOpenFailure(const std::string& device, int error) {
    SerialOpenResult result;
    result.device = device;
    result.systemError = error;
    switch (error) {
        case EACCES:
        case EPERM:
            result.error = SerialOpenError::PermissionDenied;
            DescribeOwningGroup(result);
            break;
        case EBUSY:
        case EWOULDBLOCK:
            result.error = SerialOpenError::Busy;
            result.holder = FindPortHolder(device);
            break;
        case ENOENT:
        case ENOTDIR:
        case ENODEV:
        case ENXIO:
            result.error = SerialOpenError::NotFound;
            break;
        case ENOTTY:
            result.error = SerialOpenError::NotSerial;
            break;
        case EINVAL:
            result.error = SerialOpenError::Unsupported;
            break;
        default:
            result.error = SerialOpenError::Other;
            break;
    }
    return result;
}

std::string SerialOpenFailureText(const SerialOpenResult& result) {
    namespace t = texts::serial;
    switch (result.error) {
        case SerialOpenError::None:
            return {};
        case SerialOpenError::NotFound:
            return Format(t::kOpenNotFound, result.device);
        case SerialOpenError::PermissionDenied:
            if (result.group.empty() || !result.joiningGroupHelps)
                return Format(t::kOpenDeniedAskAdmin, result.device);
            return Format(result.memberNotYetActive ? t::kOpenDeniedRelogin : t::kOpenDeniedJoinGroup,
                          result.device, result.group);
        case SerialOpenError::Busy:
            if (!result.holder) return Format(t::kOpenBusy, result.device);
            return Format(t::kOpenBusy, result.device) + "\n" +
                   Format(t::kOpenBusyHolder, result.holder->name, std::to_string(result.holder->pid));
        case SerialOpenError::NotSerial:
            return Format(t::kOpenNotSerial, result.device);
        case SerialOpenError::Unsupported:
            return Format(t::kOpenUnsupported, result.device);
        case SerialOpenError::Other:
            break;
    }
    return Format(t::kOpenFailed, result.device, ErrorName(result.systemError));
}

std::string SerialDeviceLostText(const std::string& device) {
    return Format(texts::serial::kDeviceLost, device);
}

}  // namespace viz
