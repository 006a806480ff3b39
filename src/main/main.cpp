#include <string>
#include <vector>
#include <unistd.h>

#include "main/driver.hpp"
#include "main/interruption.hpp"
#include "main/output_file.hpp"

int main(int argc, char** argv) {
    brelk::install_interruption_handlers();
    try {
        std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
        return brelk::run_brelk(args, STDOUT_FILENO, STDERR_FILENO);
    } catch (const std::bad_alloc&) {
        brelk::write_all(STDERR_FILENO, "out of memory\n");
        return 1;
    }
}
