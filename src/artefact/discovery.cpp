#include "artefact/discovery.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>
#include <stdexcept>
#include <utf8.h>

#include "artefact/diagnostic_text.hpp"

namespace brelk {
namespace {

struct DirectoryCloser {
    DIR* dir;
    ~DirectoryCloser() { closedir(dir); }
};

bool names_directory(const std::filesystem::path& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// "a.yaml" and ".a.yaml" have the extension "yaml"; ".yaml" has none at all.
bool has_extension(const std::filesystem::path& path, std::string_view extension) {
    const std::string name = path.filename().native();
    const auto dot = name.rfind('.');
    return dot != std::string::npos && dot != 0 && std::string_view(name).substr(dot + 1) == extension;
}

std::variant<yaml::NodePtr, SkippedArtefact> read_candidate(const std::filesystem::path& path, std::string_view kind,
                                                            const std::string& shown) {
    auto skipped = [&](SkipReason reason) { return SkippedArtefact{std::move(reason), shown, std::string(kind)}; };
    auto content = read_text_file(path);
    if (auto* unreadable = std::get_if<Unreadable>(&content)) return skipped(std::move(*unreadable));
    auto parsed = yaml::parse_document(std::get<std::string>(content));
    if (auto* error = std::get_if<yaml::ParseError>(&parsed)) {
        return skipped(InvalidYaml{error->location, std::move(error->message)});
    }
    auto top = std::get<yaml::NodePtr>(std::move(parsed));
    // Only a text counts as a stated kind; tags on it do not matter.
    const yaml::Node* stated = yaml::find(*top, "schemaVersion");
    if (!stated || stated->kind != yaml::NodeKind::String) return skipped(SchemaMismatch{std::nullopt});
    if (stated->text != kind) return skipped(SchemaMismatch{std::string(stated->text)});
    return top;
}

}  // namespace

std::variant<std::vector<std::filesystem::path>, OsError> sorted_entries(const std::filesystem::path& dir) {
    DIR* listing = opendir(dir.c_str());
    if (!listing) return OsError{errno};
    DirectoryCloser closer{listing};
    std::vector<std::string> names;
    for (;;) {
        const dirent* entry = readdir(listing);
        // A listing that fails part way keeps what it yielded so far.
        if (!entry) break;
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        names.emplace_back(name);
    }
    // Every entry shares the prefix `dir`, so comparing names byte by byte is
    // the component-wise path order.
    std::stable_sort(names.begin(), names.end());
    std::vector<std::filesystem::path> paths;
    paths.reserve(names.size());
    for (const auto& name : names) paths.push_back(dir / name);
    return paths;
}

std::string display_path(const std::filesystem::path& path) {
    return display_text(path.native());
}

std::variant<std::monostate, OsError> walk_artefact_files(const std::filesystem::path& dir,
                                                          std::string_view extension,
                                                          const std::function<void(const std::filesystem::path&)>& visit) {
    auto services = sorted_entries(dir);
    if (auto* error = std::get_if<OsError>(&services)) return *error;
    for (const auto& service : std::get<std::vector<std::filesystem::path>>(services)) {
        if (!names_directory(service)) continue;
        auto files = sorted_entries(service);
        if (auto* error = std::get_if<OsError>(&files)) return *error;
        for (const auto& file : std::get<std::vector<std::filesystem::path>>(files)) {
            if (has_extension(file, extension)) visit(file);
        }
    }
    return std::monostate{};
}

std::variant<std::monostate, OsError> walk_yaml_documents(const std::filesystem::path& dir, std::string_view kind,
                                                          const std::function<void(YamlCandidate)>& visit) {
    return walk_artefact_files(dir, "yaml", [&](const std::filesystem::path& file) {
        std::string shown = display_path(file);
        std::variant<yaml::NodePtr, SkippedArtefact> outcome;
        try {
            outcome = read_candidate(file, kind, shown);
        } catch (const std::bad_alloc&) {
            outcome = SkippedArtefact{Unreadable{describe(OsError{ENOMEM})}, shown, std::string(kind)};
        }
        visit(YamlCandidate{std::move(outcome), std::move(shown)});
    });
}

}  // namespace brelk
