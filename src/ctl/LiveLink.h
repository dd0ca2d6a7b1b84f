#pragma once

#include "StopSignal.h"
#include "WeightLink.h"

#include <functional>

class Config;
class Invocation;

// The program folder's scale link for the commands that run on it (auto-weigh, live): configured as the window
// program's, its link states on standard error, SIGTERM and SIGINT ending the run between two frames.
class LiveLink
{
public:
    // Refused when the port does not open (and server mode is off): without its scale there is nothing to do.
    explicit LiveLink(Invocation &call);
    ~LiveLink();
    LiveLink(const LiveLink &) = delete;
    LiveLink &operator=(const LiveLink &) = delete;

    WeightLink &link() { return m_link; }

    // The value of --for in milliseconds, 0 when not given; throws BadArguments for anything but a positive number.
    static int forOption(Invocation &call);
    // Runs the event loop until a stop signal or for ms (0: no limit).
    void run(int ms);
    // Runs it until ready() holds after a frame, a stop signal, or ms; whether ready() held.
    bool waitFor(const std::function<bool()> &ready, int ms);

private:
    StopSignal m_stop;
    WeightLink m_link;
};
