#pragma once
// What happens to a half-written report when the run is interrupted.
//
// SIGINT, SIGTERM and SIGHUP remove the one named temporary file of the run
// (if there is one at that moment) and then end the process by the same
// signal, so the shell sees 128 + the signal number as usual. SIGPIPE and
// SIGXFSZ are ignored: a closed pipe or a file-size limit is a failed write
// that the driver reports, not a silent death.
#include <signal.h>

namespace brelk {

// Installs the handlers; called once, first thing in main.
void install_interruption_handlers();

// The path the handlers remove, or nullptr for none. The text is copied.
void set_interrupted_cleanup(const char* path);

// Holds the interrupting signals back while alive: a signal that arrives in
// between is delivered when the holder goes away. Used around the few steps
// that must not be cut in half (linking a finished page into place,
// rewriting a report in place).
class InterruptionsHeld {
public:
    InterruptionsHeld();
    ~InterruptionsHeld();
    InterruptionsHeld(const InterruptionsHeld&) = delete;
    InterruptionsHeld& operator=(const InterruptionsHeld&) = delete;

private:
    sigset_t saved_;
};

}  // namespace brelk
