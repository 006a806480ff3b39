#pragma once
// When the page was generated: reproducible from SOURCE_DATE_EPOCH, otherwise
// the wall clock in the system's locale and time zone.
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace brelk {

// What the stamp depends on, gathered from the process environment so tests
// can supply their own.
struct StampSources {
    std::optional<std::string> source_date_epoch;  // the variable's value, when set
    std::optional<std::string> locale;             // e.g. "de_DE" (codeset and modifier dropped)
    std::optional<std::string> zone;               // an IANA name such as "Europe/Berlin"
    std::chrono::system_clock::time_point now;
};

// SOURCE_DATE_EPOCH; LC_ALL, LC_TIME or LANG; TZ, /etc/timezone or the
// /etc/localtime link; the clock.
StampSources system_stamp_sources();

// Reads nothing but its argument and the locale and time-zone databases,
// except that a zone the database lacks falls back to the C library's local
// offset.
std::string footer_stamp(const StampSources& sources);

// An RFC 3339 instant in its own offset as "%d.%m.%Y %H:%M UTC" or
// "%d.%m.%Y %H:%M +05:30"; any other text unchanged.
std::string stated_instant(std::string_view text);

}  // namespace brelk
