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
bool has_extension(std::string_view name, std::string_view extension) {
    const auto dot = name.rfind('.');
    return dot != std::string::npos && dot != 0 && name.substr(dot + 1) == extension;
}

// Every entry's name but "." and "..", in byte order.
std::variant<std::vector<std::string>, OsError> sorted_names(const std::filesystem::path& dir) {
    DIR* listing = opendir(dir.c_str());
    if (!listing) return OsError{errno};
    DirectoryCloser closer{listing};
    std::vector<std::string> names;
    for (;;) {
        // readdir gives NULL both at the end and when the listing breaks off
        // (EIO, or ESTALE on a network file system); only errno tells them
        // apart. What a broken listing yielded is not the directory, and
        // rendering it would drop the rest without a word.
        errno = 0;
        const dirent* entry = readdir(listing);
        if (!entry) {
            if (errno != 0) return OsError{errno};
            break;
        }
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        names.emplace_back(name);
    }
    std::stable_sort(names.begin(), names.end());
    return names;
}

}  // namespace

std::variant<std::vector<std::filesystem::path>, OsError> sorted_entries(const std::filesystem::path& dir) {
    auto names = sorted_names(dir);
    if (auto* error = std::get_if<OsError>(&names)) return *error;
    // Every entry shares the prefix `dir`, so names in byte order are paths in
    // component-wise order.
    std::vector<std::filesystem::path> paths;
    paths.reserve(std::get<std::vector<std::string>>(names).size());
    for (const auto& name : std::get<std::vector<std::string>>(names)) paths.push_back(dir / name);
    return paths;
}

std::string display_path(std::string_view path) {
    return display_text(path);
}

std::variant<std::vector<std::string>, OsError> list_artefact_files(const std::filesystem::path& dir,
                                                                    std::string_view extension) {
    auto services = sorted_entries(dir);
    if (auto* error = std::get_if<OsError>(&services)) return *error;
    std::vector<std::string> files;
    for (const auto& service : std::get<std::vector<std::filesystem::path>>(services)) {
        if (!names_directory(service)) continue;
        auto names = sorted_names(service);
        if (auto* error = std::get_if<OsError>(&names)) return *error;
        // The same text `service / name` gives, without a path object for every file.
        for (const auto& name : std::get<std::vector<std::string>>(names)) {
            if (has_extension(name, extension)) files.push_back(service.native() + '/' + name);
        }
    }
    return files;
}

std::variant<yaml::NodePtr, SkippedArtefact> read_yaml_candidate(const std::string& file, std::string_view kind,
                                                                 const std::string& shown) {
    auto skipped = [&](SkipReason reason) { return SkippedArtefact{std::move(reason), shown, std::string(kind)}; };
    auto content = read_text_file(file);
    if (auto* unreadable = std::get_if<Unreadable>(&content)) return skipped(std::move(*unreadable));
    auto parsed = yaml::parse_document(std::get<FileText>(content).view());
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

}  // namespace brelk
