#include "main/interruption.hpp"

#include <signal.h>
#include <unistd.h>

#include <cstring>

namespace brelk {
namespace {

// A signal handler can reach nothing but what is static: this buffer is the
// one piece of process-wide state, written only while the signals are held.
char cleanup_path[4096];
volatile sig_atomic_t cleanup_set = 0;

constexpr int interrupting[] = {SIGINT, SIGTERM, SIGHUP};

sigset_t interrupting_set() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : interrupting) sigaddset(&set, signal);
    return set;
}

extern "C" void on_interruption(int signal) {
    if (cleanup_set) ::unlink(cleanup_path);
    // The handler was reset to the default on entry; the signal stays pending
    // until the handler returns and then ends the process as it would have.
    ::raise(signal);
}

}  // namespace

void install_interruption_handlers() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, nullptr);
    ::sigaction(SIGXFSZ, &ignore, nullptr);

    struct sigaction cleanup {};
    cleanup.sa_handler = on_interruption;
    cleanup.sa_mask = interrupting_set();
    cleanup.sa_flags = SA_RESETHAND;
    for (int signal : interrupting) {
        // A signal the caller chose to ignore (nohup) stays ignored.
        struct sigaction previous {};
        ::sigaction(signal, nullptr, &previous);
        if (previous.sa_handler != SIG_IGN) ::sigaction(signal, &cleanup, nullptr);
    }
}

void set_interrupted_cleanup(const char* path) {
    InterruptionsHeld held;
    cleanup_set = 0;
    if (path == nullptr || std::strlen(path) >= sizeof cleanup_path) return;
    std::memcpy(cleanup_path, path, std::strlen(path) + 1);
    cleanup_set = 1;
}

InterruptionsHeld::InterruptionsHeld() {
    const sigset_t set = interrupting_set();
    ::sigprocmask(SIG_BLOCK, &set, &saved_);
}

InterruptionsHeld::~InterruptionsHeld() { ::sigprocmask(SIG_SETMASK, &saved_, nullptr); }

}  // namespace brelk
