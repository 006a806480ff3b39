#pragma once
// Runs the built program on artefact trees made in a temporary directory.
#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "temp_tree.hpp"

namespace brelk::testing {

struct Run {
    std::string out;
    std::string err;
    int status = -1;
};

inline std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What a run may not have: resource limits, and root's privileges.
struct Limits {
    std::optional<rlim_t> file_size;      // RLIMIT_FSIZE, bytes
    std::optional<rlim_t> address_space;  // RLIMIT_AS, bytes
    bool as_nobody = false;               // drop to uid and gid 65534 first (needs root)
};

inline bool running_as_root() { return ::geteuid() == 0; }

// Starts build/brelk with `args` in the directory `cwd`, with SOURCE_DATE_EPOCH=0
// unless `env` says otherwise, its streams going to the two files.
inline pid_t spawn_brelk(const std::vector<std::string>& args, const std::filesystem::path& cwd,
                         const std::vector<std::pair<std::string, std::string>>& env, const Limits& limits,
                         const std::filesystem::path& out_path, const std::filesystem::path& err_path) {
    pid_t pid = ::fork();
    if (pid != 0) return pid;
    int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(out, 1);
    ::dup2(err, 2);
    if (::chdir(cwd.c_str()) != 0) ::_exit(127);
    ::unsetenv("SOURCE_DATE_EPOCH");
    for (const auto& [name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
    auto limit = [](int resource, rlim_t value) {
        const rlimit bound{value, value};
        if (::setrlimit(resource, &bound) != 0) ::_exit(127);
    };
    if (limits.file_size) limit(RLIMIT_FSIZE, *limits.file_size);
    if (limits.address_space) limit(RLIMIT_AS, *limits.address_space);
    if (limits.as_nobody && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
        ::_exit(127);
    }
    std::vector<char*> argv;
    std::string program = BRELK_BINARY;
    argv.push_back(program.data());
    std::vector<std::string> copies = args;
    for (auto& arg : copies) argv.push_back(arg.data());
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
}

// The exit status as a shell shows it: 128 + the signal for a run a signal ended.
inline int shell_status(int wstatus) {
    return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
}

// Runs build/brelk and collects both streams and the exit status.
inline Run run_brelk(const std::vector<std::string>& args, const std::filesystem::path& cwd,
                     std::vector<std::pair<std::string, std::string>> env = {{"SOURCE_DATE_EPOCH", "0"}},
                     const Limits& limits = {}) {
    TempTree capture;
    auto out_path = capture.path("stdout");
    auto err_path = capture.path("stderr");
    const pid_t pid = spawn_brelk(args, cwd, env, limits, out_path, err_path);
    int wstatus = 0;
    ::waitpid(pid, &wstatus, 0);
    Run run;
    run.out = slurp(out_path);
    run.err = slurp(err_path);
    run.status = shell_status(wstatus);
    return run;
}

// Runs `args` beneath `tree`, expecting exit status 0 and exactly `err` on standard error; returns the page.
inline std::string page_of(const TempTree& tree, const std::vector<std::string>& args, const std::string& err = "") {
    auto run = run_brelk(args, tree.root());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, err);
    return run.out;
}

// The text between the first occurrence of `from` and the next `to` after it, both included.
inline std::string between(const std::string& text, const std::string& from, const std::string& to) {
    auto start = text.find(from);
    if (start == std::string::npos) return {};
    auto end = text.find(to, start + from.size());
    if (end == std::string::npos) return {};
    return text.substr(start, end + to.size() - start);
}

// Whether every fragment occurs in `text`, each one after the one before it.
inline ::testing::AssertionResult in_order(const std::string& text, const std::vector<std::string>& fragments) {
    std::size_t at = 0;
    for (const auto& fragment : fragments) {
        auto found = text.find(fragment, at);
        if (found == std::string::npos) return ::testing::AssertionFailure() << "not found (in order): " << fragment;
        at = found + fragment.size();
    }
    return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult has(const std::string& text, const std::string& fragment) {
    return in_order(text, {fragment});
}

inline std::size_t occurrences(const std::string& text, const std::string& piece) {
    std::size_t count = 0;
    for (auto at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++count;
    return count;
}

}  // namespace brelk::testing
