#pragma once
// When an input event happened, on the program's steady clock. The window
// system stamps each event with the milliseconds of a clock of its own (the
// X server's, the compositor's, the system's tick count), whose zero the
// program does not know. Every event is handled a little after it was
// stamped, so the smallest difference seen between the moment an event is
// handled and its stamp is the offset between the two clocks; an event that
// waited in the queue (during the feedback wait) is then placed at the
// moment it was stamped, not the moment it was handled.

#include <cstdint>
#include <optional>

class InputClock {
public:
    // The moment, in seconds of the steady clock, of an event stamped
    // stampMs and handled at handledAt; never later than handledAt.
    double momentOf(std::uint64_t stampMs, double handledAt);

private:
    std::optional<double> offset_;
};
