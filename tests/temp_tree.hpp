#pragma once
// A scratch directory for tests that walk real files.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace brelk::testing {

// Removed with everything in it, whatever permissions a test took away, when the test ends.
class TempTree {
public:
    TempTree() {
        std::string pattern = (std::filesystem::temp_directory_path() / "brelk-test-XXXXXX").string();
        root_ = ::mkdtemp(pattern.data());
    }
    ~TempTree() {
        namespace fs = std::filesystem;
        std::error_code ec;
        fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ec);
        for (const auto& entry : fs::recursive_directory_iterator(root_, ec)) {
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ec);
        }
        fs::remove_all(root_, ec);
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::filesystem::path& root() const { return root_; }
    std::filesystem::path path(const std::string& relative) const { return root_ / relative; }

    // Writes `content` to root/relative, creating the directories on the way.
    void write(const std::string& relative, std::string_view content) const {
        auto file = root_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << content;
    }
    void mkdir(const std::string& relative) const { std::filesystem::create_directories(root_ / relative); }

private:
    std::filesystem::path root_;
};

}  // namespace brelk::testing
