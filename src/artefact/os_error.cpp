#include "artefact/os_error.hpp"

#include <fmt/format.h>

#include <system_error>

namespace brelk {

std::string describe(OsError error) {
    return fmt::format("{} (os error {})", std::system_category().message(error.code), error.code);
}

}  // namespace brelk
