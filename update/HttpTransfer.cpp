#include "update/HttpTransfer.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "Version.h"
#include "update/CurlLibrary.h"
#include "update/UpdateTexts.h"

namespace viz {
namespace {

namespace t = texts::update;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    return std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

std::string ErrorText(CURLcode code, long status, const char* detail) {
    switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return t::kErrorResolve;
        case CURLE_COULDNT_CONNECT:
            return t::kErrorConnect;
        case CURLE_OPERATION_TIMEDOUT:
            return t::kErrorTimeout;
        case CURLE_HTTP_RETURNED_ERROR:
            return t::kErrorHttp + std::to_string(status);
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_CERTPROBLEM:
            return t::kErrorSecure;
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_PARTIAL_FILE:
        case CURLE_GOT_NOTHING:
            return t::kErrorBroken;
        case CURLE_URL_MALFORMAT:
        case CURLE_UNSUPPORTED_PROTOCOL:
            return t::kErrorAddress;
        case CURLE_TOO_MANY_REDIRECTS:
            return t::kErrorRedirects;
        default:
            break;
    }
    return std::string(t::kErrorOther) + (*detail != '\0' ? detail : CurlLibrary::Get().easy_strerror(code));
}

// libcurl ends a connect that takes too long, a transfer over its total
// time and one below the low speed with the same code: connected and within
// the total time, it was the low speed.
bool Stalled(CURL* easy, const HttpLimits& limits, std::chrono::steady_clock::time_point started) {
    curl_off_t connected = 0;
    CurlLibrary::Get().easy_getinfo(easy, CURLINFO_CONNECT_TIME_T, &connected);
    const bool withinTotal =
        limits.totalTimeout.count() == 0 || std::chrono::steady_clock::now() - started < limits.totalTimeout;
    return connected > 0 && withinTotal;
}

std::string StalledText(const HttpLimits& limits) {
    return t::kErrorStalledBefore + std::to_string(limits.lowSpeedTime.count()) + t::kErrorStalledMiddle +
           std::to_string(limits.lowSpeedBytesPerSecond) + t::kErrorStalledAfter;
}

}  // namespace

// The state of one Run, reached from libcurl's callbacks.
struct HttpTransfer::Call {
    Call(HttpReceiver& r, const std::atomic<bool>& c, CURL* e) : receiver(r), cancelled(c), easy(e) {}

    HttpReceiver& receiver;
    const std::atomic<bool>& cancelled;
    CURL* const easy;
    HttpResponseHead head;
    bool headDelivered = false;
    bool stopped = false;

    void DeliverHead() {
        if (headDelivered) return;
        headDelivered = true;
        CurlLibrary::Get().easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &head.status);
        receiver.OnHead(head);
    }

    static size_t OnHeaderLine(char* data, size_t size, size_t count, void* user) {
        auto& call = *static_cast<Call*>(user);
        const std::string_view line(data, size * count);
        // Each response after a redirect starts its head afresh.
        if (StartsWithNoCase(line, "HTTP/")) {
            call.head = {};
        } else if (StartsWithNoCase(line, "content-length:")) {
            const std::string_view value = Trim(line.substr(15));
            std::uint64_t length = 0;
            const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), length);
            if (error == std::errc() && end == value.data() + value.size()) call.head.contentLength = length;
        } else if (StartsWithNoCase(line, "last-modified:")) {
            call.head.lastModified = std::string(Trim(line.substr(14)));
        }
        return size * count;
    }

    static size_t OnBodyBytes(char* data, size_t size, size_t count, void* user) {
        auto& call = *static_cast<Call*>(user);
        if (call.cancelled.load()) return 0;
        call.DeliverHead();
        if (!call.receiver.OnBody(std::string_view(data, size * count))) {
            call.stopped = true;
            return 0;
        }
        return size * count;
    }
};

HttpTransfer::HttpTransfer() = default;

HttpTransfer::~HttpTransfer() {
    if (void* multi = multi_.load()) CurlLibrary::Get().multi_cleanup(static_cast<CURLM*>(multi));
}

void HttpTransfer::Cancel() {
    cancelled_.store(true);
    // Without a handle yet, Run sees the flag before it first waits.
    if (void* multi = multi_.load()) CurlLibrary::Get().multi_wakeup(static_cast<CURLM*>(multi));
}

HttpOutcome HttpTransfer::Run(const std::string& url, const HttpLimits& limits, HttpReceiver& receiver) {
    // Opened here, on the transfer's own thread, so the window never waits for it.
    const CurlLibrary& curl = CurlLibrary::Get();
    if (!curl.loaded()) return {HttpEnd::Failed, t::kErrorNoLibrary + curl.error()};
    if (multi_.load() == nullptr) multi_.store(curl.multi_init());
    auto* multi = static_cast<CURLM*>(multi_.load());
    CURL* easy = curl.easy_init();
    if (multi == nullptr || easy == nullptr) {
        curl.easy_cleanup(easy);
        return {HttpEnd::Failed, std::string(t::kErrorOther) + curl.easy_strerror(CURLE_OUT_OF_MEMORY)};
    }
    Call call(receiver, cancelled_, easy);
    char detail[CURL_ERROR_SIZE] = {};
    static const std::string userAgent = std::string("Duvezer/") + kVersionText;
    curl_slist* headers = curl.slist_append(nullptr, "Cache-Control: no-cache");
    headers = curl.slist_append(headers, "Pragma: no-cache");

    curl.easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl.easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl.easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl.easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl.easy_setopt(easy, CURLOPT_MAXREDIRS, 5L);
    curl.easy_setopt(easy, CURLOPT_FAILONERROR, 1L);
    curl.easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl.easy_setopt(easy, CURLOPT_USERAGENT, userAgent.c_str());
    curl.easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl.easy_setopt(easy, CURLOPT_ERRORBUFFER, detail);
    curl.easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connectTimeout.count()));
    curl.easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.totalTimeout.count()));
    curl.easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, static_cast<long>(limits.lowSpeedBytesPerSecond));
    curl.easy_setopt(easy, CURLOPT_LOW_SPEED_TIME,
                     static_cast<long>(std::max<std::chrono::seconds::rep>(limits.lowSpeedTime.count(), 1)));
    // Larger reads than the default cut the per-byte cost of fast downloads.
    curl.easy_setopt(easy, CURLOPT_BUFFERSIZE, 256L * 1024L);
    curl.easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Call::OnHeaderLine);
    curl.easy_setopt(easy, CURLOPT_HEADERDATA, &call);
    curl.easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Call::OnBodyBytes);
    curl.easy_setopt(easy, CURLOPT_WRITEDATA, &call);
    curl.multi_add_handle(multi, easy);

    const auto started = std::chrono::steady_clock::now();
    CURLcode result = CURLE_OK;
    bool done = false;
    while (!done && !cancelled_.load()) {
        int running = 0;
        if (curl.multi_perform(multi, &running) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
        if (running == 0) {
            int queued = 0;
            while (CURLMsg* message = curl.multi_info_read(multi, &queued)) {
                if (message->msg == CURLMSG_DONE) result = message->data.result;
            }
            done = true;
        } else {
            // Cancel() wakes this wait at once.
            curl.multi_poll(multi, nullptr, 0, 1000, nullptr);
        }
    }

    HttpOutcome outcome;
    if (cancelled_.load()) {
        outcome.end = HttpEnd::Cancelled;
    } else if (call.stopped) {
        outcome.end = HttpEnd::Stopped;
    } else if (done && result == CURLE_OK) {
        call.DeliverHead();
        outcome.end = HttpEnd::Complete;
    } else if (done && result == CURLE_OPERATION_TIMEDOUT && Stalled(easy, limits, started)) {
        outcome = {HttpEnd::Stalled, StalledText(limits)};
    } else {
        long status = 0;
        curl.easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
        outcome = {HttpEnd::Failed, ErrorText(result, status, detail)};
    }
    curl.multi_remove_handle(multi, easy);
    curl.easy_cleanup(easy);
    curl.slist_free_all(headers);
    return outcome;
}

}  // namespace viz
