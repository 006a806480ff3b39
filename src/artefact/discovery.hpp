#pragma once
// Finding artefact files beneath <dir>/<service>/ and reading the YAML ones.
#include <filesystem>
#include <cerrno>
#include <functional>
#include <new>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "artefact/yaml.hpp"
#include "artefact/file_reader.hpp"
#include "artefact/os_error.hpp"
#include "artefact/skipped.hpp"

namespace brelk {

// Every entry of `dir` (hidden ones too) as dir/name, sorted byte-wise by component.
std::variant<std::vector<std::filesystem::path>, OsError> sorted_entries(const std::filesystem::path& dir);

// A file's display path: invalid UTF-8 shown as U+FFFD.
std::string display_path(const std::filesystem::path& path);

// Calls `visit` for every <dir>/<service>/<file> whose extension is exactly
// `extension`, services and files in sorted order; links are followed and
// nothing deeper is read. A directory that cannot be listed ends the walk.
std::variant<std::monostate, OsError> walk_artefact_files(const std::filesystem::path& dir,
                                                          std::string_view extension,
                                                          const std::function<void(const std::filesystem::path&)>& visit);

// Reads one record from a document's top-level node: the record, or the message
// of an invalid document.
template <class Record>
using RecordReader = std::function<std::variant<Record, std::string>(const yaml::Node&)>;

template <class Record>
struct Collected {
    std::vector<Record> records;
    std::vector<SkippedArtefact> skipped;
};

// The outcome of reading one candidate file of a service directory.
struct YamlCandidate {
    std::variant<yaml::NodePtr, SkippedArtefact> outcome;  // the top-level node of a matching document
    std::string path;                                     // display path
};

// Walks <dir>/<service>/*.yaml in sorted order and calls `visit` for every
// candidate: a document stating `kind`, or the reason it was skipped.
std::variant<std::monostate, OsError> walk_yaml_documents(const std::filesystem::path& dir, std::string_view kind,
                                                          const std::function<void(YamlCandidate)>& visit);

template <class Record>
std::variant<Collected<Record>, OsError> collect_yaml_documents(const std::filesystem::path& dir,
                                                                std::string_view kind,
                                                                const RecordReader<Record>& read) {
    Collected<Record> collected;
    auto walked = walk_yaml_documents(dir, kind, [&](YamlCandidate candidate) {
        if (auto* skipped = std::get_if<SkippedArtefact>(&candidate.outcome)) {
            collected.skipped.push_back(std::move(*skipped));
            return;
        }
        // A document whose record is too big for memory is skipped; the others still render.
        try {
            auto record = read(*std::get<yaml::NodePtr>(candidate.outcome));
            if (auto* message = std::get_if<std::string>(&record)) {
                collected.skipped.push_back(SkippedArtefact{InvalidDocument{std::move(*message)},
                                                            std::move(candidate.path), std::string(kind)});
                return;
            }
            collected.records.push_back(std::move(std::get<Record>(record)));
        } catch (const std::bad_alloc&) {
            collected.skipped.push_back(
                SkippedArtefact{Unreadable{describe(OsError{ENOMEM})}, std::move(candidate.path), std::string(kind)});
        }
    });
    if (auto* error = std::get_if<OsError>(&walked)) return *error;
    return collected;
}

}  // namespace brelk
