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
#include "artefact/ordered_pool.hpp"
#include "artefact/os_error.hpp"
#include "artefact/skipped.hpp"

namespace brelk {

// Every entry of `dir` (hidden ones too) as dir/name, sorted byte-wise by
// component; or the error that opening the listing, or reading it to its end, gave.
std::variant<std::vector<std::filesystem::path>, OsError> sorted_entries(const std::filesystem::path& dir);

// A file's display path: invalid UTF-8 shown as U+FFFD.
std::string display_path(std::string_view path);

// Every <dir>/<service>/<file> whose extension is exactly `extension`,
// services and files in sorted order, as the path texts the system is given;
// links are followed and nothing deeper is listed. Every directory is listed
// before the first file is read: one that cannot be listed, or whose listing
// breaks off part way, is the error of the whole collection.
std::variant<std::vector<std::string>, OsError> list_artefact_files(const std::filesystem::path& dir,
                                                                    std::string_view extension);

// Reads one record from a document's top-level node: the record, or the message
// of an invalid document. Called from several threads at once.
template <class Record>
using RecordReader = std::function<std::variant<Record, std::string>(const yaml::Node&)>;

template <class Record>
struct Collected {
    std::vector<Record> records;
    std::vector<SkippedArtefact> skipped;
};

// The top-level node of the one document in `file` when it states `kind`, or
// why the file is skipped; `shown` is its display path.
std::variant<yaml::NodePtr, SkippedArtefact> read_yaml_candidate(const std::string& file, std::string_view kind,
                                                                 const std::string& shown);

// One file's record, or why it is skipped. Its node tree is gone when this
// returns, so what a collection holds is its records, never their trees.
template <class Record>
std::variant<Record, SkippedArtefact> read_yaml_artefact(const std::string& file, std::string_view kind,
                                                         const RecordReader<Record>& read) {
    const std::string shown = display_path(file);
    auto skipped = [&](SkipReason reason) {
        return SkippedArtefact{std::move(reason), shown, std::string(kind)};
    };
    // A document too big for memory is skipped; the others still render.
    try {
        auto candidate = read_yaml_candidate(file, kind, shown);
        if (auto* skip = std::get_if<SkippedArtefact>(&candidate)) return std::move(*skip);
        auto record = read(*std::get<yaml::NodePtr>(candidate));
        if (auto* message = std::get_if<std::string>(&record)) return skipped(InvalidDocument{std::move(*message)});
        return std::move(std::get<Record>(record));
    } catch (const std::bad_alloc&) {
        return skipped(Unreadable{describe(OsError{ENOMEM})});
    }
}

// Reads <dir>/<service>/*.yaml, `workers` files at a time, into the records of
// the documents stating `kind` and the files skipped, both in walk order
// whatever the number of workers.
template <class Record>
std::variant<Collected<Record>, OsError> collect_yaml_documents(const std::filesystem::path& dir,
                                                                std::string_view kind,
                                                                const RecordReader<Record>& read,
                                                                unsigned workers = hardware_workers()) {
    auto listed = list_artefact_files(dir, "yaml");
    if (auto* error = std::get_if<OsError>(&listed)) return *error;
    const auto& files = std::get<std::vector<std::string>>(listed);
    Collected<Record> collected;
    // Room for a record per file up front: growing the list would copy every
    // record made so far, again and again; room no record fills is never
    // touched. Without that much address space the list grows as it goes.
    try {
        collected.records.reserve(files.size());
    } catch (const std::bad_alloc&) {
    }
    map_in_order(
        files.size(), workers, [&](std::size_t i) { return read_yaml_artefact(files[i], kind, read); },
        [&](std::size_t i, std::variant<Record, SkippedArtefact> outcome) {
            if (auto* skipped = std::get_if<SkippedArtefact>(&outcome)) {
                collected.skipped.push_back(std::move(*skipped));
                return;
            }
            // Room for one more record that cannot be had skips that file alone.
            try {
                collected.records.push_back(std::move(std::get<Record>(outcome)));
            } catch (const std::bad_alloc&) {
                collected.skipped.push_back(
                    SkippedArtefact{Unreadable{describe(OsError{ENOMEM})}, display_path(files[i]), std::string(kind)});
            }
        });
    return collected;
}

}  // namespace brelk
