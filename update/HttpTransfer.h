#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace viz {

// The head of the final response, after any redirects were followed.
struct HttpResponseHead {
    long status = 0;
    std::optional<std::uint64_t> contentLength;
    std::string lastModified;
};

// Where a transfer delivers what it receives, on the thread that runs it.
class HttpReceiver {
public:
    virtual ~HttpReceiver() = default;
    // Called once, before the first body bytes (or at the end of an empty body).
    virtual void OnHead(const HttpResponseHead& head) = 0;
    // Returning false ends the transfer at once as Stopped.
    virtual bool OnBody(std::string_view bytes) = 0;
};

struct HttpLimits {
    std::chrono::milliseconds connectTimeout{5000};
    // Zero: a transfer may take as long as it keeps moving.
    std::chrono::milliseconds totalTimeout{0};
    // A transfer that moves fewer than `lowSpeedBytesPerSecond` for this
    // long (whole seconds, at least one) fails as Stalled.
    std::chrono::seconds lowSpeedTime{30};
    std::uint32_t lowSpeedBytesPerSecond = 1;
};

enum class HttpEnd {
    Complete,   // the whole body arrived
    Stopped,    // the receiver asked to stop
    Cancelled,  // Cancel() was called
    Failed,     // a network, protocol or HTTP error; see `error`
    Stalled,    // connected, but slower than the limits' low speed for their whole window
};

struct HttpOutcome {
    HttpEnd end = HttpEnd::Failed;
    // For Failed and Stalled: what went wrong, in the product's language.
    std::string error;
};

// One HTTP or HTTPS GET at a time, run on the calling thread and ended from
// any other thread by Cancel(), which wakes the transfer at once instead of
// waiting for the next timeout. Proxies come from the environment as the
// system sets them; certificates from the system's store.
class HttpTransfer {
public:
    HttpTransfer();
    ~HttpTransfer();
    HttpTransfer(const HttpTransfer&) = delete;
    HttpTransfer& operator=(const HttpTransfer&) = delete;

    HttpOutcome Run(const std::string& url, const HttpLimits& limits, HttpReceiver& receiver);

    // Thread-safe. A running transfer ends as Cancelled; so does every later Run.
    void Cancel();

private:
    struct Call;
    // Made by the first Run; read by Cancel from another thread.
    std::atomic<void*> multi_{nullptr};
    std::atomic<bool> cancelled_{false};
};

}  // namespace viz
