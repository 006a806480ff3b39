#pragma once
// Reading one artefact file whole, within bounds.
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "artefact/os_error.hpp"
#include "artefact/skipped.hpp"

namespace brelk {

// An artefact larger than this is refused before it is read. The largest real
// artefacts are a few megabytes; at 1 GiB the parsed document and its page
// already take several times that in memory, and a link to a huge sparse file
// or a growing log must not take the machine down.
constexpr std::uint64_t max_artefact_bytes = std::uint64_t{1} << 30;

// The whole file as UTF-8 text, or why it cannot be had. Only regular files
// are read: a device, FIFO or socket named like an artefact is refused with
// "Operation not supported (os error 95)" without being read (a link to
// /dev/zero would never end), and a directory with "Is a directory".
std::variant<std::string, Unreadable> read_text_file(const std::string& path);

// Whether `text` is well-formed UTF-8: no stray or missing continuation
// bytes, overlong forms, surrogates or code points past U+10FFFF.
bool valid_utf8(std::string_view text);

}  // namespace brelk
