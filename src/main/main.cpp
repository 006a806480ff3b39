#include <csignal>
#include <string>
#include <vector>
#include <unistd.h>

#include "main/driver.hpp"

int main(int argc, char** argv) {
    // A closed pipe on standard output is a write failure (exit 1), not a silent death.
    std::signal(SIGPIPE, SIG_IGN);
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return brelk::run_brelk(args, STDOUT_FILENO, STDERR_FILENO);
}
