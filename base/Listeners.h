#pragma once

// Callbacks told of a change, each until its subscription ends; a registry
// holds one and calls Notify after every change it makes.
//
//   Listeners listeners;
//   Subscription subscription = listeners.Subscribe([] { ... });
//   listeners.Notify();  // calls it, and no longer once `subscription` is gone
//
// Used on one thread; the list must outlive its subscriptions.

#include <cstdint>
#include <functional>
#include <map>

namespace viz {

class Listeners;

// Ends a subscription when destroyed.
class Subscription {
public:
    Subscription() = default;
    Subscription(Subscription&& other) noexcept;
    Subscription& operator=(Subscription&& other) noexcept;
    ~Subscription();

private:
    friend class Listeners;
    Subscription(Listeners* listeners, std::uint64_t id) : listeners_(listeners), id_(id) {}
    void End();

    Listeners* listeners_ = nullptr;
    std::uint64_t id_ = 0;
};

class Listeners {
public:
    using Listener = std::function<void()>;

    [[nodiscard]] Subscription Subscribe(Listener changed);
    // Calls every listener subscribed now; one may end its own or another
    // subscription while being told.
    void Notify();

private:
    friend class Subscription;

    std::map<std::uint64_t, Listener> listeners_;
    std::uint64_t nextListener_ = 1;
};

}  // namespace viz
