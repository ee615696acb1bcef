#include "update/CurlLibrary.h"

#include <dlfcn.h>

namespace viz {
namespace {

// The library's name as the distribution's runtime package installs it.
constexpr char kLibraryName[] = "libcurl.so.4";

template <typename Function>
bool Resolve(void* library, const char* name, Function& function, std::string& missing) {
    function = reinterpret_cast<Function>(::dlsym(library, name));
    if (function == nullptr && missing.empty()) missing = name;
    return function != nullptr;
}

}  // namespace

const CurlLibrary& CurlLibrary::Get() {
    static const CurlLibrary library;
    return library;
}

CurlLibrary::CurlLibrary() {
    void* library = ::dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* why = ::dlerror();
        error_ = why != nullptr ? why : kLibraryName;
        return;
    }
    std::string missing;
    decltype(&::curl_global_init) global_init = nullptr;
    bool all = Resolve(library, "curl_global_init", global_init, missing);
    all &= Resolve(library, "curl_easy_cleanup", easy_cleanup, missing);
    all &= Resolve(library, "curl_easy_setopt", easy_setopt, missing);
    all &= Resolve(library, "curl_easy_getinfo", easy_getinfo, missing);
    all &= Resolve(library, "curl_easy_strerror", easy_strerror, missing);
    all &= Resolve(library, "curl_multi_init", multi_init, missing);
    all &= Resolve(library, "curl_multi_cleanup", multi_cleanup, missing);
    all &= Resolve(library, "curl_multi_add_handle", multi_add_handle, missing);
    all &= Resolve(library, "curl_multi_remove_handle", multi_remove_handle, missing);
    all &= Resolve(library, "curl_multi_perform", multi_perform, missing);
    all &= Resolve(library, "curl_multi_poll", multi_poll, missing);
    all &= Resolve(library, "curl_multi_wakeup", multi_wakeup, missing);
    all &= Resolve(library, "curl_multi_info_read", multi_info_read, missing);
    all &= Resolve(library, "curl_slist_append", slist_append, missing);
    all &= Resolve(library, "curl_slist_free_all", slist_free_all, missing);
    // easy_init last: it is what loaded() looks at.
    decltype(&::curl_easy_init) init = nullptr;
    all &= Resolve(library, "curl_easy_init", init, missing);
    if (!all) {
        error_ = std::string(kLibraryName) + ": " + missing;
        return;
    }
    if (global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        error_ = std::string(kLibraryName) + ": curl_global_init";
        return;
    }
    easy_init = init;
}

}  // namespace viz
