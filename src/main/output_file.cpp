#include "main/output_file.hpp"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include <fmt/format.h>

#include "main/interruption.hpp"

namespace brelk {

namespace fs = std::filesystem;

bool write_all(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

namespace {

// Where the page is to end up.
struct Destination {
    fs::path target;
    bool exists = false;   // a regular file is there now
    bool regular = true;   // false: a device, FIFO or anything else written directly
    mode_t mode = 0;
};

mode_t default_file_mode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

int last_error() { return errno != 0 ? errno : EIO; }

fs::path directory_of(const fs::path& file) {
    fs::path dir = file.parent_path();
    return dir.empty() ? fs::path(".") : dir;
}

// The name a dangling link leads to, through any chain of links, as a plain
// open would follow it.
std::variant<fs::path, CouldNotWrite> dangling_end(fs::path link) {
    for (int hops = 0; hops < 40; ++hops) {
        char buffer[PATH_MAX];
        const ssize_t length = ::readlink(link.c_str(), buffer, sizeof buffer);
        if (length < 0) return CouldNotWrite{OsError{last_error()}};
        const fs::path next(std::string(buffer, static_cast<std::size_t>(length)));
        link = next.is_absolute() ? next : link.parent_path() / next;
        struct stat info {};
        if (::lstat(link.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return link;
    }
    return CouldNotWrite{OsError{ELOOP}};
}

std::variant<Destination, CouldNotWrite> destination_of(const fs::path& path) {
    Destination destination{path, false, true, default_file_mode()};
    struct stat link_info {};
    if (::lstat(path.c_str(), &link_info) != 0) {
        if (errno == ENOENT) return destination;
        destination.regular = false;  // a plain open reports what is wrong with the path
        return destination;
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (!S_ISLNK(link_info.st_mode) || errno != ENOENT) {
            destination.regular = false;
            return destination;
        }
        auto end = dangling_end(path);
        if (auto* failed = std::get_if<CouldNotWrite>(&end)) return *failed;
        destination.target = std::get<fs::path>(end);
        return destination;
    }
    if (!S_ISREG(info.st_mode)) {
        destination.regular = false;
        return destination;
    }
    // Replace what a link points at, not the link itself.
    std::error_code ec;
    auto resolved = fs::canonical(path, ec);
    if (!ec) destination.target = resolved;
    // Renaming over a report needs only the directory; a report its owner
    // made read-only must stay as it is, as it would for a plain write.
    if (::faccessat(AT_FDCWD, destination.target.c_str(), W_OK, AT_EACCESS) != 0) {
        return CouldNotWrite{OsError{last_error()}};
    }
    destination.exists = true;
    destination.mode = info.st_mode & 07777;
    return destination;
}

// An unnamed file leaves nothing behind whatever ends the process, even
// SIGKILL or a power cut; it is linked in only once it is complete.
std::optional<OutputFile> open_anonymous(const Destination& destination) {
    if (::access("/proc/self/fd", X_OK) != 0) return std::nullopt;
    const int fd = ::open(directory_of(destination.target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) return std::nullopt;
    if (::fchmod(fd, destination.mode) != 0) {
        ::close(fd);
        return std::nullopt;
    }
    OutputFile file;
    file.way = OutputWay::Anonymous;
    file.fd = fd;
    file.target = destination.target;
    return file;
}

std::string hidden_sibling_pattern(const fs::path& target) {
    return (directory_of(target) / fmt::format(".{}.brelk-XXXXXX", target.filename().string())).string();
}

std::optional<OutputFile> open_named(const Destination& destination) {
    std::string pattern = hidden_sibling_pattern(destination.target);
    int fd = -1;
    {
        InterruptionsHeld held;
        fd = ::mkstemp(pattern.data());
        if (fd >= 0) set_interrupted_cleanup(pattern.c_str());
    }
    if (fd < 0) return std::nullopt;
    OutputFile file;
    file.way = OutputWay::NamedTemp;
    file.fd = fd;
    file.temp_path = std::move(pattern);
    file.target = destination.target;
    if (::fcntl(fd, F_SETFD, FD_CLOEXEC) != 0 || ::fchmod(fd, destination.mode) != 0) {
        discard_output(file);
        return std::nullopt;
    }
    return file;
}

// A file of our own outside the report's directory, gone when closed.
int open_staging() {
    std::error_code ec;
    fs::path dir = fs::temp_directory_path(ec);
    if (ec) dir = "/tmp";
    const int fd = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    std::string pattern = (dir / "brelk-staging-XXXXXX").string();
    InterruptionsHeld held;
    const int named = ::mkstemp(pattern.data());
    if (named >= 0) ::unlink(pattern.c_str());
    return named;
}

std::variant<OutputFile, CouldNotWrite> open_in_place(const Destination& destination) {
    // Read as well, to keep a copy of the old report while it is overwritten;
    // a report its owner may only write is rewritten without one.
    int report = ::open(destination.target.c_str(), O_RDWR | O_CLOEXEC);
    if (report < 0 && errno == EACCES) report = ::open(destination.target.c_str(), O_WRONLY | O_CLOEXEC);
    if (report < 0) return CouldNotWrite{OsError{last_error()}};
    const int staging = open_staging();
    if (staging < 0) {
        const int error = last_error();
        ::close(report);
        return CouldNotWrite{OsError{error}};
    }
    OutputFile file;
    file.way = OutputWay::InPlace;
    file.fd = staging;
    file.report_fd = report;
    file.target = destination.target;
    return file;
}

std::variant<OutputFile, CouldNotWrite> open_direct(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return CouldNotWrite{OsError{last_error()}};
    OutputFile file;
    file.way = OutputWay::Direct;
    file.fd = fd;
    file.target = path;
    return file;
}

OpenedOutput widen(std::variant<OutputFile, CouldNotWrite> opened) {
    if (auto* failed = std::get_if<CouldNotWrite>(&opened)) return *failed;
    return std::get<OutputFile>(std::move(opened));
}

// Links the finished unnamed file in under a hidden name, then renames it over
// the report; nothing named is left whatever the outcome.
int link_into_place(int fd, const fs::path& target) {
    const std::string proc_path = "/proc/self/fd/" + std::to_string(fd);
    const fs::path dir = directory_of(target);
    const std::string stem = fmt::format(".{}.brelk-{}-", target.filename().string(), ::getpid());
    InterruptionsHeld held;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = (dir / (stem + std::to_string(attempt))).string();
        if (::linkat(AT_FDCWD, proc_path.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            if (errno == EEXIST) continue;
            return last_error();
        }
        if (::rename(name.c_str(), target.c_str()) != 0) {
            const int error = last_error();
            ::unlink(name.c_str());
            return error;
        }
        return 0;
    }
    return EEXIST;
}

// Appends the staged page to a descriptor of any kind, from its start.
int relay_staged(int from, int to, std::uint64_t size) {
    off_t offset = 0;
    while (static_cast<std::uint64_t>(offset) < size) {
        const ssize_t sent = ::sendfile(to, from, &offset, static_cast<std::size_t>(size - static_cast<std::uint64_t>(offset)));
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && (errno == EINVAL || errno == ENOSYS) && offset == 0) break;
        if (sent < 0) return last_error();
        if (sent == 0) return EIO;
    }
    if (static_cast<std::uint64_t>(offset) >= size) return 0;
    // A descriptor sendfile cannot write to: copy by hand.
    char buffer[1 << 16];
    for (std::uint64_t at = 0; at < size;) {
        const ssize_t got = ::pread(from, buffer, sizeof buffer, static_cast<off_t>(at));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return got < 0 ? last_error() : EIO;
        if (!write_all(to, std::string_view(buffer, static_cast<std::size_t>(got)))) return last_error();
        at += static_cast<std::uint64_t>(got);
    }
    return 0;
}

// Copies the first `size` bytes of `from` over those of `to`. Each read and
// write is made up to `attempts` times before the copy gives up.
int copy_staged(int from, int to, std::uint64_t size, int attempts = 1) {
    char buffer[1 << 16];
    auto tried = [attempts](auto call) {
        ssize_t result = -1;
        for (int attempt = 0; attempt < attempts; ++attempt) {
            do {
                result = call();
            } while (result < 0 && errno == EINTR);
            if (result >= 0) break;
        }
        return result;
    };
    for (std::uint64_t offset = 0; offset < size;) {
        const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(sizeof buffer, size - offset));
        const ssize_t got = tried([&] { return ::pread(from, buffer, wanted, static_cast<off_t>(offset)); });
        if (got <= 0) return got < 0 ? last_error() : EIO;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = tried([&] {
                return ::pwrite(to, buffer + done, static_cast<std::size_t>(got - done),
                                static_cast<off_t>(offset) + done);
            });
            if (put < 0) return last_error();
            done += put;
        }
        offset += static_cast<std::uint64_t>(got);
    }
    return 0;
}

// Sets the file's length, calling on the system only when it differs: putting
// an old report back then needs no call but those that did not fail.
int set_length(int fd, std::uint64_t size) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) return last_error();
    if (static_cast<std::uint64_t>(info.st_size) == size) return 0;
    return ::ftruncate(fd, static_cast<off_t>(size)) == 0 ? 0 : last_error();
}

// Claims the disk space of the whole new page before the first byte of the
// old report is overwritten, so a full disk or quota leaves the report as it
// is. The space is claimed past the report's end without lengthening it:
// until the rewrite begins, the report reads as before. A file system that
// cannot claim space ahead leaves the writes to find out.
int reserve(int fd, std::uint64_t size) {
    if (size == 0 || ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) == 0) return 0;
    const int error = last_error();
    return error == EOPNOTSUPP || error == ENOSYS ? 0 : error;
}

// The old report, copied aside before it is overwritten; no copy (fd -1)
// of a report that may not be read.
struct Backup {
    int fd = -1;
    std::uint64_t size = 0;
    ~Backup() {
        if (fd >= 0) ::close(fd);
    }
};

int back_up(int report, Backup& backup) {
    if ((::fcntl(report, F_GETFL) & O_ACCMODE) == O_WRONLY) return 0;
    struct stat info {};
    if (::fstat(report, &info) != 0) return last_error();
    backup.size = static_cast<std::uint64_t>(info.st_size);
    backup.fd = open_staging();
    if (backup.fd < 0) return last_error();
    return copy_staged(report, backup.fd, backup.size);
}

// Putting the old report back is the last chance to keep it: each call is
// made again a few times before the report is given up for lost.
constexpr int restore_attempts = 16;

void restore(int report, const Backup& backup) {
    if (backup.fd < 0) return;
    for (int attempt = 0; attempt < restore_attempts; ++attempt) {
        if (copy_staged(backup.fd, report, backup.size, restore_attempts) == 0 &&
            set_length(report, backup.size) == 0) {
            break;
        }
    }
    ::fsync(report);
}

// Writes the staged page over the report. A failure part way puts the old
// report back from its copy, so the report is the old one or the new one,
// whole, unless the disk refuses even the old bytes it held a moment ago.
int rewrite_in_place(const OutputFile& file) {
    // A file-size limit also stops writes inside the old report's length, so
    // it is checked before anything is overwritten.
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && file.size > limit.rlim_cur) {
        return EFBIG;
    }
    InterruptionsHeld held;
    if (int error = reserve(file.report_fd, file.size)) return error;
    Backup backup;
    if (int error = back_up(file.report_fd, backup)) return error;
    int error = copy_staged(file.fd, file.report_fd, file.size);
    if (error == 0) error = set_length(file.report_fd, file.size);
    if (error == 0 && ::fsync(file.report_fd) != 0) error = last_error();
    if (error != 0) restore(file.report_fd, backup);
    return error;
}

void close_quietly(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

int close_checked(int& fd) {
    const int result = fd >= 0 ? ::close(fd) : 0;
    fd = -1;
    return result != 0 ? last_error() : 0;
}

}  // namespace

OpenedOutput open_relay(int fd) {
    OutputFile file;
    file.report_fd = ::dup(fd);
    if (file.report_fd < 0) return CouldNotWrite{OsError{last_error()}};
    file.fd = open_staging();
    file.way = file.fd >= 0 ? OutputWay::Relayed : OutputWay::Direct;
    if (file.way == OutputWay::Direct) std::swap(file.fd, file.report_fd);
    return file;
}

OpenedOutput open_output(const fs::path& path) {
    const fs::path parent = path.parent_path();
    if (!parent.empty()) {
        std::error_code ec;
        fs::create_directories(parent, ec);
        if (ec) return CouldNotCreate{parent, OsError{ec.value()}};
    }
    auto found = destination_of(path);
    if (auto* failed = std::get_if<CouldNotWrite>(&found)) return *failed;
    const Destination& destination = std::get<Destination>(found);
    if (!destination.regular) return widen(open_direct(path));
    if (auto file = open_anonymous(destination)) return *std::move(file);
    if (auto file = open_named(destination)) return *std::move(file);
    // The directory takes no new file: a writable report is rewritten in
    // place, and a new one is made as a plain write would make it.
    if (destination.exists) return widen(open_in_place(destination));
    return widen(open_direct(destination.target));
}

namespace {

// How much page is written before the system is asked to put it on disk.
constexpr std::uint64_t writeback_stretch = std::uint64_t{8} << 20;

// The page is made durable before it replaces the report; starting that
// while the rest is still being drawn leaves the final fsync little to wait
// for. Only a hint: whatever fails here, fsync reports.
void start_writeback(OutputFile& file) {
    if (file.way != OutputWay::Anonymous && file.way != OutputWay::NamedTemp) return;
    if (file.size - file.written_back < writeback_stretch) return;
    ::sync_file_range(file.fd, static_cast<off_t>(file.written_back), static_cast<off_t>(file.size - file.written_back),
                      SYNC_FILE_RANGE_WRITE);
    file.written_back = file.size;
}

// Replacing the old report frees the memory the system caches it in, page by
// page, and for a report of hundreds of megabytes that takes as long as the
// disk takes the new page. Done while the rest of the new page is on its way
// to the disk, it costs the run nothing; the old report's content is never
// touched, only copies of it in memory the system can read back.
void let_go_of_cached(const fs::path& report) {
    const int fd = ::open(report.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

// Sends what is not yet on its way to the disk, lets go of the old report's
// cached pages while it travels, then waits for it.
int make_durable(OutputFile& file) {
    if (file.size > file.written_back) {
        ::sync_file_range(file.fd, static_cast<off_t>(file.written_back), 0, SYNC_FILE_RANGE_WRITE);
        file.written_back = file.size;
    }
    let_go_of_cached(file.target);
    return ::fsync(file.fd) == 0 ? 0 : last_error();
}

}  // namespace

void write_chunk(OutputFile& file, std::string_view chunk) {
    if (file.error != 0 || chunk.empty()) return;
    if (!write_all(file.fd, chunk)) {
        file.error = last_error();
        return;
    }
    file.size += chunk.size();
    start_writeback(file);
}

OutputResult finish_output(OutputFile& file) {
    int error = file.error;
    switch (file.way) {
        case OutputWay::Anonymous:
            if (error == 0) error = make_durable(file);
            if (error == 0) error = link_into_place(file.fd, file.target);
            close_quietly(file.fd);
            break;
        case OutputWay::NamedTemp: {
            if (error == 0) error = make_durable(file);
            const int closed = close_checked(file.fd);
            if (error == 0) error = closed;
            InterruptionsHeld held;
            if (error == 0 && ::rename(file.temp_path.c_str(), file.target.c_str()) != 0) error = last_error();
            if (error != 0) ::unlink(file.temp_path.c_str());
            set_interrupted_cleanup(nullptr);
            break;
        }
        case OutputWay::InPlace:
            // Once fsync has put the report on disk, closing it cannot undo that.
            if (error == 0) error = rewrite_in_place(file);
            close_quietly(file.fd);
            close_quietly(file.report_fd);
            break;
        case OutputWay::Direct:
            if (const int closed = close_checked(file.fd); error == 0) error = closed;
            break;
        case OutputWay::Relayed:
            if (error == 0) error = relay_staged(file.fd, file.report_fd, file.size);
            close_quietly(file.fd);
            close_quietly(file.report_fd);
            break;
    }
    if (error != 0) return CouldNotWrite{OsError{error}};
    return std::monostate{};
}

void discard_output(OutputFile& file) {
    close_quietly(file.fd);
    close_quietly(file.report_fd);
    if (file.way == OutputWay::NamedTemp) {
        InterruptionsHeld held;
        ::unlink(file.temp_path.c_str());
        set_interrupted_cleanup(nullptr);
    }
}

}  // namespace brelk
