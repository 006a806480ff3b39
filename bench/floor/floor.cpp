// brelk_floor: the least any renderer of these artefacts must do. It walks
// <dir>/<service>/*.<ext> exactly as brelk does (sorted entries, links
// followed, whole files read in the same chunks), runs the parser over each
// file without building anything (libyaml events, or expat with empty
// element handlers), and optionally writes a page of a given size the way
// brelk replaces its output file (temporary sibling, fsync, rename). It
// shares no code with brelk on purpose: changing how brelk reads files must
// not move the floor it is measured against.
#include <dirent.h>
#include <expat.h>
#include <fcntl.h>
#include <fmt/format.h>
#include <sys/stat.h>
#include <unistd.h>
#include <yaml.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Totals {
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
    std::uint64_t events = 0;  // YAML events, or XML elements
};

struct Failure {
    std::string message;
};

std::variant<std::vector<fs::path>, Failure> sorted_entries(const fs::path& dir) {
    DIR* listing = opendir(dir.c_str());
    if (!listing) return Failure{fmt::format("cannot list {}: {}", dir.string(), std::strerror(errno))};
    std::vector<std::string> names;
    while (const dirent* entry = readdir(listing)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") names.emplace_back(name);
    }
    closedir(listing);
    std::stable_sort(names.begin(), names.end());
    std::vector<fs::path> paths;
    paths.reserve(names.size());
    for (const auto& name : names) paths.push_back(dir / name);
    return paths;
}

bool names_directory(const fs::path& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool has_extension(const fs::path& path, std::string_view extension) {
    const std::string& name = path.filename().native();
    const auto dot = name.rfind('.');
    return dot != std::string::npos && dot != 0 && std::string_view(name).substr(dot + 1) == extension;
}

std::variant<std::string, Failure> read_file(const fs::path& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return Failure{fmt::format("cannot open {}: {}", path.string(), std::strerror(errno))};
    std::string content;
    struct stat status {};
    if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0) {
        content.reserve(static_cast<std::size_t>(status.st_size));
    }
    char chunk[1 << 16];
    for (;;) {
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got == 0) break;
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            close(fd);
            return Failure{fmt::format("cannot read {}: {}", path.string(), std::strerror(errno))};
        }
        content.append(chunk, static_cast<std::size_t>(got));
    }
    close(fd);
    return content;
}

std::optional<Failure> parse_yaml(std::string_view text, Totals& totals) {
    yaml_parser_t parser;
    if (!yaml_parser_initialize(&parser)) return Failure{"cannot start libyaml"};
    yaml_parser_set_input_string(&parser, reinterpret_cast<const unsigned char*>(text.data()), text.size());
    std::optional<Failure> failure;
    for (;;) {
        yaml_event_t event;
        if (!yaml_parser_parse(&parser, &event)) {
            failure = Failure{parser.problem ? parser.problem : "libyaml failed"};
            break;
        }
        const bool end = event.type == YAML_STREAM_END_EVENT;
        yaml_event_delete(&event);
        ++totals.events;
        if (end) break;
    }
    yaml_parser_delete(&parser);
    return failure;
}

void XMLCALL count_element(void* data, const XML_Char* /*name*/, const XML_Char** /*attributes*/) {
    ++static_cast<Totals*>(data)->events;
}

void XMLCALL end_element(void* /*data*/, const XML_Char* /*name*/) {}

std::optional<Failure> parse_xml(std::string_view text, Totals& totals) {
    // Namespace processing on, as a reader of the verdict vocabulary needs it.
    XML_Parser parser = XML_ParserCreateNS("UTF-8", '\x01');
    if (!parser) return Failure{"cannot start expat"};
    XML_SetUserData(parser, &totals);
    XML_SetElementHandler(parser, count_element, end_element);
    std::optional<Failure> failure;
    if (XML_Parse(parser, text.data(), static_cast<int>(text.size()), XML_TRUE) != XML_STATUS_OK) {
        failure = Failure{XML_ErrorString(XML_GetErrorCode(parser))};
    }
    XML_ParserFree(parser);
    return failure;
}

using Parser = std::optional<Failure> (*)(std::string_view, Totals&);

std::optional<Failure> walk(const fs::path& dir, std::string_view extension, Parser parse, Totals& totals) {
    auto services = sorted_entries(dir);
    if (auto* failure = std::get_if<Failure>(&services)) return *failure;
    for (const auto& service : std::get<std::vector<fs::path>>(services)) {
        if (!names_directory(service)) continue;
        auto files = sorted_entries(service);
        if (auto* failure = std::get_if<Failure>(&files)) return *failure;
        for (const auto& file : std::get<std::vector<fs::path>>(files)) {
            if (!has_extension(file, extension)) continue;
            auto content = read_file(file);
            if (auto* failure = std::get_if<Failure>(&content)) return *failure;
            const auto& text = std::get<std::string>(content);
            if (auto failure = parse(text, totals))
                return Failure{fmt::format("{}: {}", file.string(), failure->message)};
            ++totals.files;
            totals.bytes += text.size();
        }
    }
    return std::nullopt;
}

bool write_all(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t written = write(fd, data.data(), data.size());
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) return false;
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// `bytes` of page-like text, written in 64 KiB pieces to a temporary sibling
// of `target` that then replaces it, as brelk writes its output file.
std::optional<Failure> write_page(const fs::path& target, std::uint64_t bytes) {
    std::string piece;
    while (piece.size() < (1u << 16)) piece += "<tr><td class=\"num\">42</td><td>a page of the same size</td></tr>\n";
    piece.resize(1u << 16);
    std::string pattern = (target.parent_path() / fmt::format(".{}.floor-XXXXXX", target.filename().string())).string();
    const int fd = mkstemp(pattern.data());
    if (fd < 0)
        return Failure{fmt::format("cannot create a file beside {}: {}", target.string(), std::strerror(errno))};
    bool ok = fchmod(fd, 0644) == 0;
    for (std::uint64_t left = bytes; ok && left > 0;) {
        const auto size = std::min<std::uint64_t>(left, piece.size());
        ok = write_all(fd, std::string_view(piece).substr(0, size));
        left -= size;
    }
    ok = ok && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(pattern.c_str(), target.c_str()) == 0;
    if (!ok) {
        unlink(pattern.c_str());
        return Failure{fmt::format("cannot write {}: {}", target.string(), std::strerror(errno))};
    }
    return std::nullopt;
}

std::optional<std::uint64_t> number(std::string_view text) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

int usage() {
    std::fputs("usage: brelk_floor <yaml|xml> <dir> [--page <bytes> <file>]\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 6) return usage();
    const std::string_view format = argv[1];
    if (format != "yaml" && format != "xml") return usage();
    std::optional<std::uint64_t> page_bytes;
    if (argc == 6) {
        page_bytes = number(argv[4]);
        if (std::string_view(argv[3]) != "--page" || !page_bytes) return usage();
    }
    Totals totals;
    auto failure = walk(argv[2], format, format == "yaml" ? parse_yaml : parse_xml, totals);
    if (!failure && page_bytes) failure = write_page(argv[5], *page_bytes);
    if (failure) {
        fmt::print(stderr, "brelk_floor: {}\n", failure->message);
        return 1;
    }
    fmt::print("files {}\nbytes {}\nevents {}\n", totals.files, totals.bytes, totals.events);
    return 0;
}
