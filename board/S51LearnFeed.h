#pragma once

// The learning board fed by a running s51: s51 dumps every port latch write
// into a FIFO in the board's folder, the board reads it after each step and
// hands the changes with their simulated times to the board; what the board
// then drives on the chip's pins (a key held, the LCD answering) goes back
// as s51's outside port values, sent before the next step.
//
//   S51LearnFeed feed(shared);
//   commands += feed.Open(folder);      // "" when the FIFO could not be made: feed.error()
//   poll feed.fd() with the console;  feed.Drain();
//   commands += feed.Advance(simulatedNanos);   // before each step
//   feed.Drain();  // again after s51 ended, for what it wrote last

#include <filesystem>
#include <string>

#include "board/LearnLink.h"
#include "board/S51PinTrace.h"
#include "board/parts/SharedBoard.h"

namespace viz {

class S51LearnFeed {
public:
    // A new run goes on from the board's time: its model never goes back.
    explicit S51LearnFeed(SharedBoard& board) : link_(board), start_(board.now()) {}
    ~S51LearnFeed();
    S51LearnFeed(const S51LearnFeed&) = delete;
    S51LearnFeed& operator=(const S51LearnFeed&) = delete;

    // Makes the FIFO in `folder` and opens its reading end (without waiting
    // for s51); the console commands that start the dump into it.
    std::string Open(const std::filesystem::path& folder);
    // Why Open failed (errno), 0 when it did not.
    int error() const { return error_; }
    // The FIFO to poll; -1 once s51 closed it.
    int fd() const { return writerGone_ ? -1 : fd_; }
    // Everything s51 wrote so far, handed to the board.
    void Drain();
    // The board's time moves to `at`; the outside value commands due now.
    std::string Advance(SimNanos at);
    // s51 dropped the commands waiting at its console: the next Advance sets
    // every port's outside value again.
    void CommandsDropped() { resendAll_ = true; }
    // What the board drives follows the firmware's every instruction (the
    // LCD answering a read, a keypad key held): the next step must be short.
    ReadAnswer answering() const { return link_.answersReads(); }

private:
    LearnLink link_;
    S51PinTrace trace_;
    const SimNanos start_;
    int fd_ = -1;
    int error_ = 0;
    bool writerSeen_ = false;
    bool writerGone_ = false;
    bool resendAll_ = false;
};

}  // namespace viz
