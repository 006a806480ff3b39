// brelk_corpus: writes a deterministic tree of realistic artefacts for one
// command, sized in megabytes, or a tree of many tiny documents, counted in
// files. The tree appears under its final name only once it is complete, so
// a half-written corpus is never mistaken for a cached one.
#include <fmt/format.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>

#include "corpus/documents.hpp"

namespace {

namespace fs = std::filesystem;
using namespace brelk::corpus;

constexpr std::size_t tiny_per_service = 100;

struct Tally {
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
    std::optional<std::string> failure;
};

bool write_file(const fs::path& path, std::string_view text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

// Writes one service directory and counts what went into it.
void write_service(const fs::path& root, std::string_view service_dir, Tally& tally,
                   const std::function<void(const Emit&)>& produce) {
    const fs::path dir = root / service_dir;
    std::error_code error;
    fs::create_directories(dir, error);
    if (error) {
        tally.failure = fmt::format("cannot create {}: {}", dir.string(), error.message());
        return;
    }
    produce([&](std::string_view name, const Buffer& text) {
        if (tally.failure) return;
        if (!write_file(dir / name, {text.data(), text.size()})) {
            tally.failure = fmt::format("cannot write {}: {}", (dir / name).string(), std::strerror(errno));
            return;
        }
        ++tally.files;
        tally.bytes += text.size();
    });
}

using ServiceWriter = void (*)(std::size_t, const Emit&);

std::optional<ServiceWriter> writer_for(std::string_view kind) {
    if (kind == "explore") return explore_service;
    if (kind == "optimize") return optimize_service;
    if (kind == "measure") return baseline_service;
    if (kind == "verdict") return verdict_service;
    return std::nullopt;
}

Tally write_sized(const fs::path& root, ServiceWriter writer, std::uint64_t bytes) {
    Tally tally;
    for (std::size_t service = 0; tally.bytes < bytes && !tally.failure; ++service) {
        write_service(root, fmt::format("service-{:05}", service), tally,
                      [&](const Emit& emit) { writer(service, emit); });
    }
    return tally;
}

Tally write_tiny(const fs::path& root, std::uint64_t files) {
    Tally tally;
    for (std::size_t service = 0; tally.files < files && !tally.failure; ++service) {
        const auto count = std::min<std::uint64_t>(tiny_per_service, files - tally.files);
        write_service(root, fmt::format("svc-{:06}", service), tally,
                      [&](const Emit& emit) { tiny_service(service, count, emit); });
    }
    return tally;
}

std::optional<std::uint64_t> number(std::string_view text) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value == 0) return std::nullopt;
    return value;
}

int usage() {
    std::fputs(
        "usage: brelk_corpus <explore|optimize|measure|verdict> <dir> <megabytes>\n"
        "       brelk_corpus tiny <dir> <documents>\n",
        stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) return usage();
    const std::string_view kind = argv[1];
    const fs::path dir = argv[2];
    const auto size = number(argv[3]);
    const auto writer = writer_for(kind);
    if (!size || (!writer && kind != "tiny")) return usage();
    if (fs::exists(dir)) {
        fmt::print(stderr, "{} exists already\n", dir.string());
        return 1;
    }
    const fs::path partial = dir.string() + ".partial";
    fs::remove_all(partial);
    Tally tally = writer ? write_sized(partial, *writer, *size * 1'000'000) : write_tiny(partial, *size);
    const std::string manifest = fmt::format("kind {}\nfiles {}\nbytes {}\n", kind, tally.files, tally.bytes);
    if (!tally.failure && !write_file(partial / "corpus.txt", manifest)) tally.failure = "cannot write the manifest";
    if (tally.failure) {
        fmt::print(stderr, "brelk_corpus: {}\n", *tally.failure);
        return 1;
    }
    std::error_code error;
    fs::rename(partial, dir, error);
    if (error) {
        fmt::print(stderr, "brelk_corpus: cannot rename {}: {}\n", partial.string(), error.message());
        return 1;
    }
    fmt::print("{}", manifest);
    return 0;
}
