// The driver's own failures: running out of memory, and being interrupted.
#include "main/driver.hpp"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>

#include "main/interruption.hpp"
#include "temp_tree.hpp"

namespace brelk {
namespace {

using testing::TempTree;

std::string read_all(int fd) {
    std::string text;
    ::lseek(fd, 0, SEEK_SET);
    char buffer[4096];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(got));
    return text;
}

Generated exhausts_memory(const std::filesystem::path&, bool, unsigned) { throw std::bad_alloc(); }

TEST(Driver, RunningOutOfMemoryIsOneLineAndNothingIsWritten) {
    TempTree tree;
    tree.write("r.html", "old");
    const ReportCommand command{"explore", exhausts_memory, "brelk-explore-1", "configurations", "<service>/*.yaml",
                                false};
    FILE* out = std::tmpfile();
    FILE* err = std::tmpfile();
    const Options options{&command, "runs\n", (tree.root() / "r.html").string(), false};
    EXPECT_EQ(run_report(options, ::fileno(out), ::fileno(err)), 1);
    EXPECT_EQ(read_all(::fileno(out)), "");
    EXPECT_EQ(read_all(::fileno(err)), "out of memory while rendering runs\\u{a}\n");
    std::ifstream report(tree.path("r.html"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(report), {}), "old");
    std::fclose(out);
    std::fclose(err);
}

// A run interrupted while its named temporary file exists removes it, then
// ends by the same signal.
TEST(Driver, InterruptionRemovesTheTemporaryFileAndEndsByTheSignal) {
    TempTree tree;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        const auto temp = tree.path(".r.html.brelk-test");
        tree.write(".r.html.brelk-test", "half a page");
        const pid_t pid = ::fork();
        if (pid == 0) {
            install_interruption_handlers();
            set_interrupted_cleanup(temp.c_str());
            ::raise(signal);
            ::_exit(0);
        }
        int wstatus = 0;
        ::waitpid(pid, &wstatus, 0);
        EXPECT_TRUE(WIFSIGNALED(wstatus) && WTERMSIG(wstatus) == signal) << signal;
        EXPECT_FALSE(std::filesystem::exists(temp)) << signal;
    }
}

}  // namespace
}  // namespace brelk
