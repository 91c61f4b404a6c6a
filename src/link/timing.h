#pragma once

#include <chrono>

namespace vernoll {

using Millis = std::chrono::milliseconds;

// Every protocol wait in one place. Production uses real(); tests shorten them so that no
// test sleeps for the logger's real pauses.
struct Timing {
    Millis wakePause{2000};          // after the wake-up byte, before the attention byte
    Millis answerWait{2000};         // for the logger's first answer to the attention byte
    Millis sendAnswerWait{1000};     // the same wait for the configuration send
    Millis probeFirstWait{1000};     // discovery: until the probe's receive event
    Millis probeSecondWait{2000};    // discovery: until the answer flag is set
    Millis clockTick{998};           // Timer1: the displayed logger clock advances one second
    Millis elapsedTick{1000};        // Timer4: the download's elapsed time
    Millis commandLineStall{10000};  // command line: an exchange that makes no progress this long
    // A logger that answered and then sends nothing this long has stopped: an import, a
    // download or the live display ends (or says so) instead of waiting for ever.
    Millis stall{10000};

    static Timing real() { return {}; }
    // Waits short enough for tests, long enough for a loaded machine's event loop.
    static Timing fast() {
        Timing t;
        t.wakePause = Millis{20};
        t.answerWait = Millis{300};
        t.sendAnswerWait = Millis{300};
        t.probeFirstWait = Millis{150};
        t.probeSecondWait = Millis{300};
        t.clockTick = Millis{998};
        t.elapsedTick = Millis{1000};
        t.commandLineStall = Millis{2000};
        t.stall = Millis{600};
        return t;
    }
};

}  // namespace vernoll
