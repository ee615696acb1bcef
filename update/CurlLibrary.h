#pragma once

// libcurl opened at the first transfer instead of at start: it and the
// thirty libraries it needs would otherwise be mapped and relocated before
// the window can show, for a check most starts never make.
//
//   const CurlLibrary& curl = CurlLibrary::Get();   // on the worker thread
//   if (!curl.loaded()) report(curl.error());
//   CURL* easy = curl.easy_init();

#include <curl/curl.h>

#include <string>

namespace viz {

struct CurlLibrary {
    // Opened and set up (curl_global_init) by the first caller; every other
    // thread waits for it. Never closed: handles may outlive any one user.
    static const CurlLibrary& Get();

    bool loaded() const { return easy_init != nullptr; }
    // Why it could not be opened; empty when it was.
    const std::string& error() const { return error_; }

    decltype(&::curl_easy_init) easy_init = nullptr;
    decltype(&::curl_easy_cleanup) easy_cleanup = nullptr;
    decltype(&::curl_easy_setopt) easy_setopt = nullptr;
    decltype(&::curl_easy_getinfo) easy_getinfo = nullptr;
    decltype(&::curl_easy_strerror) easy_strerror = nullptr;
    decltype(&::curl_multi_init) multi_init = nullptr;
    decltype(&::curl_multi_cleanup) multi_cleanup = nullptr;
    decltype(&::curl_multi_add_handle) multi_add_handle = nullptr;
    decltype(&::curl_multi_remove_handle) multi_remove_handle = nullptr;
    decltype(&::curl_multi_perform) multi_perform = nullptr;
    decltype(&::curl_multi_poll) multi_poll = nullptr;
    decltype(&::curl_multi_wakeup) multi_wakeup = nullptr;
    decltype(&::curl_multi_info_read) multi_info_read = nullptr;
    decltype(&::curl_slist_append) slist_append = nullptr;
    decltype(&::curl_slist_free_all) slist_free_all = nullptr;

private:
    CurlLibrary();
    std::string error_;
};

}  // namespace viz
