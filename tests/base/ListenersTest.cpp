#include "base/Listeners.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

namespace viz {
namespace {

// A listener that ends its own or a later listener's subscription while the
// list is being told must not be called afterwards nor break the others.
TEST(Listeners, ASubscriptionEndsOnceWhetherMovedOrEndedWhileBeingTold) {
    Listeners listeners;
    std::string heard;
    std::optional<Subscription> second;
    std::optional<Subscription> first;
    first = listeners.Subscribe([&] {
        heard += 'a';
        second.reset();
        first.reset();
    });
    second = listeners.Subscribe([&] { heard += 'b'; });
    Subscription third = listeners.Subscribe([&] { heard += 'c'; });

    listeners.Notify();
    EXPECT_EQ(heard, "ac");
    listeners.Notify();
    EXPECT_EQ(heard, "acc");

    // Moved, it is still one subscription, ended by whoever holds it last.
    Subscription moved = std::move(third);
    listeners.Notify();
    EXPECT_EQ(heard, "accc");
    moved = Subscription();
    listeners.Notify();
    EXPECT_EQ(heard, "accc");
}

}  // namespace
}  // namespace viz
