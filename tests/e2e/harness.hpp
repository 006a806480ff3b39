#pragma once
// Runs the built program on artefact trees made in a temporary directory.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

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

// A scratch directory, removed with everything in it when the test ends.
class TempTree {
public:
    TempTree() {
        std::string pattern = (std::filesystem::temp_directory_path() / "brelk-e2e-XXXXXX").string();
        root_ = ::mkdtemp(pattern.data());
    }
    ~TempTree() {
        std::error_code ec;
        std::filesystem::permissions(root_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(root_, ec);
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::filesystem::path& root() const { return root_; }
    std::filesystem::path path(const std::string& relative) const { return root_ / relative; }

    // Writes `content` to root/relative, creating the directories on the way.
    void write(const std::string& relative, const std::string& content) const {
        auto file = root_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << content;
    }
    void mkdir(const std::string& relative) const { std::filesystem::create_directories(root_ / relative); }

private:
    std::filesystem::path root_;
};

// Runs build/brelk with `args` in the directory `cwd`, with SOURCE_DATE_EPOCH=0
// unless `env` says otherwise, and collects both streams and the exit status.
inline Run run_brelk(const std::vector<std::string>& args, const std::filesystem::path& cwd,
                     std::vector<std::pair<std::string, std::string>> env = {{"SOURCE_DATE_EPOCH", "0"}}) {
    TempTree capture;
    auto out_path = capture.path("stdout");
    auto err_path = capture.path("stderr");
    pid_t pid = ::fork();
    if (pid == 0) {
        int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(out, 1);
        ::dup2(err, 2);
        if (::chdir(cwd.c_str()) != 0) ::_exit(127);
        ::unsetenv("SOURCE_DATE_EPOCH");
        for (const auto& [name, value] : env) ::setenv(name.c_str(), value.c_str(), 1);
        std::vector<char*> argv;
        std::string program = BRELK_BINARY;
        argv.push_back(program.data());
        std::vector<std::string> copies = args;
        for (auto& arg : copies) argv.push_back(arg.data());
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    int wstatus = 0;
    ::waitpid(pid, &wstatus, 0);
    Run run;
    run.out = slurp(out_path);
    run.err = slurp(err_path);
    run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    return run;
}

// The text between the first occurrence of `from` and the next `to` after it, both included.
inline std::string between(const std::string& text, const std::string& from, const std::string& to) {
    auto start = text.find(from);
    if (start == std::string::npos) return {};
    auto end = text.find(to, start + from.size());
    if (end == std::string::npos) return {};
    return text.substr(start, end + to.size() - start);
}

}  // namespace brelk::testing
