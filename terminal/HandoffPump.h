#pragma once

// A hand-off as a page uses it: the producer thread pushes items; the pump
// wakes the UI thread with one queued event and there hands every waiting
// item to `each`, in order, then calls `passDone` once (where the page brings
// its widgets up to date).
//
//   pump_ = new CHandoffPump<Item>(this);
//   pump_->setDelivery([this](const Item& item) { ... }, [this] { ... });
//   // closing: the pump first, so a producer waiting in Push is released
//   pump_->Close();
//   channel_.Close();
//   // before the next open:
//   pump_->Open();
//
// CChunkPump is the pump of received chunks.

#include <QObject>

#include <cstddef>
#include <functional>

#include "terminal/Handoff.h"

namespace viz {

// The Qt side every pump shares: one posted event per wake-up.
class CHandoffPumpBase : public QObject {
    Q_OBJECT

public:
    explicit CHandoffPumpBase(QObject* parent) : QObject(parent) {}

protected:
    // Any thread: asks for one DrainPass on the UI thread.
    void PostDrain();
    bool event(QEvent* event) override;
    virtual void DrainPass() = 0;
};

template <typename Item, typename Queue = Handoff<Item>>
class CHandoffPump : public CHandoffPumpBase {
public:
    explicit CHandoffPump(QObject* parent = nullptr, HandoffLimits limits = {})
        : CHandoffPumpBase(parent), handoff_([this] { PostDrain(); }, limits) {}
    // Closing before the QObject part goes away: no producer can post to a
    // dead object, and the events already posted are removed with it.
    ~CHandoffPump() override { handoff_.Close(); }

    void setDelivery(std::function<void(const Item&)> each, std::function<void()> passDone) {
        each_ = std::move(each);
        passDone_ = std::move(passDone);
    }

    // Producer thread; false once closed.
    bool Push(Item item) { return handoff_.Push(std::move(item)); }
    // After Close() returns nothing more is delivered and no producer is left
    // inside Push; items still waiting are discarded uncounted.
    void Close() { handoff_.Close(); }
    void Open() { handoff_.Open(); }

protected:
    Queue handoff_;

private:
    void DrainPass() override {
        const std::size_t delivered = handoff_.Drain([this](const Item& item) {
            if (each_) each_(item);
        });
        if (delivered > 0 && passDone_) passDone_();
    }

    std::function<void(const Item&)> each_;
    std::function<void()> passDone_;
};

}  // namespace viz
