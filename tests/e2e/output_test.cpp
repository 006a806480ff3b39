// The report on disk: whatever fails or ends the run, the old report stays
// whole or the new one is there whole, and no temporary file is left behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <time.h>

#include <chrono>
#include <cstring>
#include <random>

#include "e2e/harness.hpp"

namespace brelk::testing {
namespace {

namespace fs = std::filesystem;

const std::string old_report = "<p>the report of yesterday</p>\n";

// Every sample exploration, `copies` times over: a page of about 330 KB a copy.
void write_explorations(const TempTree& tree, int copies) {
    const fs::path samples = fs::path(BRELK_SOURCE_DIR) / "examples" / "explore" / "checkout";
    for (int copy = 0; copy < copies; ++copy) {
        for (const auto& file : fs::directory_iterator(samples)) {
            tree.write("runs/s" + std::to_string(copy) + "/" + file.path().filename().string(), slurp(file.path()));
        }
    }
}

std::vector<std::string> names_in(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

mode_t mode_of(const fs::path& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

// Lets uid 65534 walk and read the tree; the report's directory is then set up by the test.
void open_to_nobody(const TempTree& tree) {
    for (const auto& entry : fs::recursive_directory_iterator(tree.root())) {
        ::chmod(entry.path().c_str(), entry.is_directory() ? 0755 : 0644);
    }
    ::chmod(tree.root().c_str(), 0755);
}

void give_to_nobody(const fs::path& path) { ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0); }

TEST(Output, ALimitOnFileSizeIsAMessageAndTheOldReportStays) {
    TempTree tree;
    write_explorations(tree, 1);
    tree.write("out/r.html", old_report);
    Limits small;
    small.file_size = 64 * 1024;
    auto run = run_brelk({"explore", "runs", "-o", "out/r.html"}, tree.root(), {{"SOURCE_DATE_EPOCH", "0"}}, small);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "could not write out/r.html: File too large (os error 27)\n");
    EXPECT_EQ(slurp(tree.path("out/r.html")), old_report);
    EXPECT_EQ(names_in(tree.path("out")), std::vector<std::string>{"r.html"});
}

// A directory that takes no new file but holds a writable report: the report
// is rewritten in place, and only once its whole new size is reserved.
TEST(Output, AReportInAReadOnlyDirectoryIsRewrittenInPlaceOrNotAtAll) {
    TempTree tree;
    write_explorations(tree, 1);
    const std::string page = page_of(tree, {"explore", "runs"});
    tree.write("out/r.html", old_report + std::string(page.size() + 1000, 'x'));
    ::chmod(tree.path("out/r.html").c_str(), 0640);
    Limits limits;
    if (running_as_root()) {
        open_to_nobody(tree);
        give_to_nobody(tree.path("out/r.html"));
        ::chmod(tree.path("out/r.html").c_str(), 0640);
        limits.as_nobody = true;
    }
    ::chmod(tree.path("out").c_str(), 0555);
    const std::string longer_old = slurp(tree.path("out/r.html"));

    Limits too_small = limits;
    too_small.file_size = page.size() / 2;
    auto refused = run_brelk({"explore", "runs", "-o", "out/r.html"}, tree.root(), {{"SOURCE_DATE_EPOCH", "0"}},
                             too_small);
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "could not write out/r.html: File too large (os error 27)\n");
    EXPECT_EQ(slurp(tree.path("out/r.html")), longer_old);

    auto written = run_brelk({"explore", "runs", "-o", "out/r.html"}, tree.root(), {{"SOURCE_DATE_EPOCH", "0"}}, limits);
    EXPECT_EQ(written.status, 0) << written.err;
    EXPECT_EQ(slurp(tree.path("out/r.html")), page);  // the longer old text is cut off
    EXPECT_EQ(mode_of(tree.path("out/r.html")), 0640u);
    EXPECT_EQ(names_in(tree.path("out")), std::vector<std::string>{"r.html"});
}

// The same with a full disk: a 1 MB file system, a report of several.
TEST(Output, AFullDiskLeavesTheOldReportWhole) {
    if (!running_as_root()) GTEST_SKIP() << "mounting a small tmpfs needs root";
    TempTree tree;
    write_explorations(tree, 12);
    tree.mkdir("out");
    if (::mount("tmpfs", tree.path("out").c_str(), "tmpfs", 0, "size=1m") != 0) {
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    }
    struct Unmount {
        fs::path at;
        ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
    } unmount{tree.path("out")};
    tree.write("out/r.html", old_report);
    open_to_nobody(tree);
    give_to_nobody(tree.path("out/r.html"));
    ::chmod(tree.path("out").c_str(), 0555);

    Limits nobody;
    nobody.as_nobody = true;
    for (bool read_only_directory : {true, false}) {
        if (!read_only_directory) ::chmod(tree.path("out").c_str(), 0777);
        auto run = run_brelk({"explore", "runs", "-o", "out/r.html"}, tree.root(), {{"SOURCE_DATE_EPOCH", "0"}},
                             nobody);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "could not write out/r.html: No space left on device (os error 28)\n");
        EXPECT_EQ(slurp(tree.path("out/r.html")), old_report);
        EXPECT_EQ(names_in(tree.path("out")), std::vector<std::string>{"r.html"});
    }
}

#if defined(__SANITIZE_ADDRESS__)
#define BRELK_ADDRESS_SANITIZED
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BRELK_ADDRESS_SANITIZED
#endif
#endif

// libfiu's POSIX preload, as fiu-run -x loads it, failing every call of one
// kind with EIO.
std::vector<std::pair<std::string, std::string>> failing_always(const std::string& point) {
    return {{"SOURCE_DATE_EPOCH", "0"},
            {"LD_PRELOAD", "/usr/lib/fiu/fiu_run_preload.so /usr/lib/fiu/fiu_posix_preload.so"},
            {"FIU_CTRL_FIFO", ""},
            {"FIU_ENABLE", "enable name=" + point + ",failinfo=5"}};
}

// A call that fails while the report is rewritten in place: the old report
// is put back, whether it was shorter or longer than the page, and a call
// that fails after the page is safely on disk changes nothing.
TEST(Output, ACallFailingWhileRewritingInPlaceLeavesTheOldReportOrTheNewOne) {
#ifdef BRELK_ADDRESS_SANITIZED
    GTEST_SKIP() << "libfiu's preload does not mix with AddressSanitizer, whose leak check fails every run on it";
#endif
    if (!fs::exists("/usr/lib/fiu/fiu_posix_preload.so")) GTEST_SKIP() << "libfiu's POSIX preload (fiu-utils) is missing";
    TempTree tree;
    write_explorations(tree, 1);
    const std::string page = page_of(tree, {"explore", "runs"});
    const std::string longer_old = old_report + std::string(page.size() + 1000, 'x');
    tree.write("out/r.html", old_report);
    Limits limits;
    if (running_as_root()) {
        open_to_nobody(tree);
        give_to_nobody(tree.path("out/r.html"));
        limits.as_nobody = true;
    }
    ::chmod(tree.path("out").c_str(), 0555);
    const std::string failed = "could not write out/r.html: Input/output error (os error 5)\n";
    const std::string written = "report over 7 configurations written to out/r.html\n";
    struct Case {
        std::string point;
        const std::string& old;
        int status;
        const std::string& err;
        const std::string& report;
    };
    const Case cases[] = {
        {"posix/io/rw/pwrite", old_report, 1, failed, old_report},  // nothing written yet
        {"posix/io/rw/pread", old_report, 1, failed, old_report},
        {"posix/io/sync/fsync", old_report, 1, failed, old_report},  // the whole page written, and taken back
        {"posix/io/sync/fsync", longer_old, 1, failed, longer_old},
        {"posix/io/rw/ftruncate", longer_old, 1, failed, longer_old},
        {"posix/io/rw/ftruncate", old_report, 0, written, page},  // a longer page needs no cut
        {"posix/io/oc/close", old_report, 0, written, page},
    };
    for (const auto& c : cases) {
        const std::string where = c.point + " over a report of " + std::to_string(c.old.size()) + " bytes";
        ::chmod(tree.path("out").c_str(), 0755);
        tree.write("out/r.html", c.old);
        ::chmod(tree.path("out").c_str(), 0555);
        auto run = run_brelk({"explore", "runs", "-o", "out/r.html"}, tree.root(), failing_always(c.point), limits);
        EXPECT_EQ(run.status, c.status) << where;
        EXPECT_EQ(run.err, c.err) << where;
        EXPECT_TRUE(slurp(tree.path("out/r.html")) == c.report) << where << ": neither the old report nor the new one";
        EXPECT_EQ(names_in(tree.path("out")), std::vector<std::string>{"r.html"}) << where;
    }
}

TEST(Output, WritePermissionsAndLinksAreThoseOfAPlainWrite) {
    TempTree tree;
    write_explorations(tree, 1);
    const std::string page = page_of(tree, {"explore", "runs"});

    // A report its owner made read-only is refused, even though the directory
    // would let it be replaced.
    tree.write("out/r.html", old_report);
    Limits owner;
    if (running_as_root()) {
        open_to_nobody(tree);
        give_to_nobody(tree.path("out"));
        give_to_nobody(tree.path("out/r.html"));
        owner.as_nobody = true;
    }
    ::chmod(tree.path("out/r.html").c_str(), 0444);
    auto refused = run_brelk({"explore", "runs", "-o", "out/r.html"}, tree.root(), {{"SOURCE_DATE_EPOCH", "0"}}, owner);
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "could not write out/r.html: Permission denied (os error 13)\n");
    EXPECT_EQ(slurp(tree.path("out/r.html")), old_report);

    // A dangling link makes the file it names and stays a link.
    fs::create_symlink("../pages/today.html", tree.path("out/link.html"));
    tree.mkdir("pages");
    auto linked = run_brelk({"explore", "runs", "-o", "out/link.html"}, tree.root());
    EXPECT_EQ(linked.status, 0) << linked.err;
    EXPECT_TRUE(fs::is_symlink(tree.path("out/link.html")));
    EXPECT_EQ(slurp(tree.path("pages/today.html")), page);
    EXPECT_EQ(names_in(tree.path("pages")), std::vector<std::string>{"today.html"});

    // One whose target directory is missing fails as a plain write would.
    fs::create_symlink("../nowhere/x.html", tree.path("out/lost.html"));
    auto lost = run_brelk({"explore", "runs", "-o", "out/lost.html"}, tree.root());
    EXPECT_EQ(lost.status, 1);
    EXPECT_EQ(lost.err, "could not write out/lost.html: No such file or directory (os error 2)\n");
    EXPECT_TRUE(fs::is_symlink(tree.path("out/lost.html")));
}

// Runs killed at random moments by every signal that may end them: the
// report is always the old one or the new one whole, and nothing else is left.
TEST(Output, KilledRunsLeaveTheOldReportOrTheNewOneAndNothingElse) {
    TempTree tree;
    write_explorations(tree, 4);
    const std::string page = page_of(tree, {"explore", "runs"});
    // Kill moments spread over a little more than one whole run, however
    // fast this machine is right now.
    const auto started = std::chrono::steady_clock::now();
    run_brelk({"explore", "runs", "-o", "out/r.html"}, tree.root());
    const auto whole_run = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
    tree.write("out/r.html", old_report);
    const int signals[] = {SIGINT, SIGTERM, SIGHUP, SIGKILL};
    std::mt19937 random(20261206);
    std::uniform_int_distribution<long> delay_us(0, whole_run.count() * 5 / 4);
    int old_seen = 0;
    int new_seen = 0;
    for (int trial = 0; trial < 130; ++trial) {
        const int signal = signals[trial % 4];
        const pid_t pid = spawn_brelk({"explore", "runs", "-o", "out/r.html"}, tree.root(), {{"SOURCE_DATE_EPOCH", "0"}},
                                      {}, tree.path("stdout"), tree.path("stderr"));
        const long us = delay_us(random);
        const timespec pause{0, us * 1000};
        ::nanosleep(&pause, nullptr);
        ::kill(pid, signal);
        int wstatus = 0;
        ::waitpid(pid, &wstatus, 0);
        const int status = shell_status(wstatus);
        EXPECT_TRUE(status == 0 || status == 128 + signal) << "trial " << trial << ": exit " << status;

        const std::string report = slurp(tree.path("out/r.html"));
        if (report == old_report) {
            ++old_seen;
        } else {
            EXPECT_EQ(report.size(), page.size()) << "trial " << trial;
            EXPECT_TRUE(report == page) << "trial " << trial << ": neither the old report nor the new one";
            ++new_seen;
            tree.write("out/r.html", old_report);
        }
        ASSERT_EQ(names_in(tree.path("out")), std::vector<std::string>{"r.html"}) << "trial " << trial;
    }
    // Both outcomes happen, or the trials did not test anything.
    EXPECT_GT(old_seen, 0);
    EXPECT_GT(new_seen, 0);
}

}  // namespace
}  // namespace brelk::testing
