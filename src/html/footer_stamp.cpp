#include "html/footer_stamp.hpp"

#include <langinfo.h>
#include <locale.h>
#include <time.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include <date/date.h>
#include <date/tz.h>
#include <fmt/format.h>

namespace brelk {

namespace {

using std::chrono::seconds;

constexpr std::string_view posix_date_form = "%m/%d/%y";

// The calendar type holds years -32767..32767; these are its first and last
// days counted from 1970-01-01.
constexpr std::int64_t first_day =
    date::sys_days{date::year::min() / date::January / 1}.time_since_epoch().count();
constexpr std::int64_t last_day =
    date::sys_days{date::year::max() / date::December / 31}.time_since_epoch().count();

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool all_digits(std::string_view text) { return std::all_of(text.begin(), text.end(), is_digit); }

// An optional sign and at least one decimal digit, nothing else, within i64.
std::optional<std::int64_t> epoch_seconds(std::string_view text) {
    std::string_view digits = text;
    bool negative = false;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    if (digits.empty() || !all_digits(digits)) return std::nullopt;
    // Parsing with the minus sign keeps the most negative value in range.
    std::string_view number = negative ? text : digits;
    std::int64_t value = 0;
    auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (ec != std::errc{} || end != number.data() + number.size()) return std::nullopt;
    return value;
}

std::optional<std::string> reproducible_stamp(std::string_view source_date_epoch) {
    auto total = epoch_seconds(source_date_epoch);
    if (!total) return std::nullopt;
    // Floor division: negative values count back from 1970 with a
    // non-negative time of day.
    std::int64_t day = *total / 86400;
    std::int64_t time_of_day = *total % 86400;
    if (time_of_day < 0) {
        time_of_day += 86400;
        --day;
    }
    if (day < first_day || day > last_day) return std::nullopt;
    auto instant = date::sys_days{date::days{static_cast<int>(day)}} + seconds{time_of_day};
    return date::format("%d.%m.%Y %H:%M UTC", instant);
}

// The locale's own "%x" form, looked up in the C library's locale database.
std::string locale_date_form(const std::optional<std::string>& locale) {
    if (!locale) return std::string(posix_date_form);
    std::string name = *locale;
    std::replace(name.begin(), name.end(), '-', '_');
    // A slash would make the C library read a locale from an arbitrary path.
    if (name.empty() || name == "C" || name == "POSIX" || name.find('/') != std::string::npos) {
        return std::string(posix_date_form);
    }
    for (const std::string& candidate : {name + ".UTF-8", name + ".utf8", name}) {
        locale_t found = newlocale(LC_TIME_MASK, candidate.c_str(), locale_t{});
        if (found == locale_t{}) continue;
        std::string form = nl_langinfo_l(D_FMT, found);
        freelocale(found);
        if (form.empty()) break;
        return form;
    }
    return std::string(posix_date_form);
}

// Directives date::format writes in the C locale. Modifiers, glibc's padding
// flags ("%-d") and zone directives (a local time has no zone) are left to
// strftime.
bool date_library_handles(std::string_view pattern) {
    constexpr std::string_view known = "aAbBcCdDeFgGhHIjmMnprRStTuUVwWxXyY%";
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') continue;
        ++i;
        if (i == pattern.size() || known.find(pattern[i]) == std::string_view::npos) return false;
    }
    return true;
}

std::tm broken_down(date::local_seconds time) {
    auto day = date::floor<date::days>(time);
    date::year_month_day ymd{day};
    date::hh_mm_ss clock{time - day};
    std::tm tm{};
    tm.tm_year = static_cast<int>(ymd.year()) - 1900;
    tm.tm_mon = static_cast<int>(static_cast<unsigned>(ymd.month())) - 1;
    tm.tm_mday = static_cast<int>(static_cast<unsigned>(ymd.day()));
    tm.tm_hour = static_cast<int>(clock.hours().count());
    tm.tm_min = static_cast<int>(clock.minutes().count());
    tm.tm_sec = static_cast<int>(clock.seconds().count());
    tm.tm_wday = static_cast<int>(date::weekday{day}.c_encoding());
    tm.tm_yday = (day - date::local_days{ymd.year() / date::January / 1}).count();
    return tm;
}

std::optional<std::string> format_with_strftime(const std::string& pattern, date::local_seconds time) {
    locale_t c_locale = newlocale(LC_ALL_MASK, "C", locale_t{});
    if (c_locale == locale_t{}) return std::nullopt;
    std::tm tm = broken_down(time);
    std::array<char, 512> buffer{};
    std::size_t length = strftime_l(buffer.data(), buffer.size(), pattern.c_str(), &tm, c_locale);
    freelocale(c_locale);
    if (length == 0) return std::nullopt;
    return std::string(buffer.data(), length);
}

// "%x %H:%M" with "%x" already replaced by the locale's date form.
std::string format_local(const std::string& date_form, date::local_seconds time) {
    std::string pattern = date_form + " %H:%M";
    if (!date_library_handles(pattern)) {
        if (auto written = format_with_strftime(pattern, time)) return *written;
        pattern = fmt::format("{} %H:%M", posix_date_form);
    }
    return date::format(pattern, time);
}

struct ZonedTime {
    date::local_seconds local;
    std::string abbreviation;
};

std::optional<ZonedTime> in_named_zone(const std::string& name, date::sys_seconds now) {
    try {
        const date::time_zone* zone = date::locate_zone(name);
        return ZonedTime{zone->to_local(now), zone->get_info(now).abbrev};
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

date::local_seconds in_local_offset(date::sys_seconds now) {
    std::time_t since_epoch = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    if (localtime_r(&since_epoch, &tm) == nullptr) return date::local_seconds{now.time_since_epoch()};
    auto day = date::year{tm.tm_year + 1900} / date::month{static_cast<unsigned>(tm.tm_mon + 1)} /
               date::day{static_cast<unsigned>(tm.tm_mday)};
    return date::local_days{day} + std::chrono::hours{tm.tm_hour} + std::chrono::minutes{tm.tm_min} +
           seconds{tm.tm_sec};
}

std::optional<std::string> nonempty_variable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') return std::nullopt;
    return std::string(value);
}

// "de_DE.UTF-8@euro" names the locale "de_DE".
std::string without_codeset_and_modifier(std::string_view name) {
    return std::string(name.substr(0, name.find_first_of(".@")));
}

std::optional<std::string> system_locale() {
    for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
        if (auto value = nonempty_variable(variable)) return without_codeset_and_modifier(*value);
    }
    return std::nullopt;
}

std::optional<std::string> zone_after_zoneinfo(std::string_view path) {
    constexpr std::string_view marker = "zoneinfo/";
    auto at = path.rfind(marker);
    if (at == std::string_view::npos || at + marker.size() == path.size()) return std::nullopt;
    return std::string(path.substr(at + marker.size()));
}

// The zone a zone file stands for: the name under zoneinfo/ of the file its
// links end at (/etc/localtime -> /usr/share/zoneinfo/Etc/UTC is Etc/UTC).
std::optional<std::string> zone_of_file(std::filesystem::path path) {
    // Enough for any honest chain; a loop of links ends here too.
    constexpr int most_links = 40;
    for (int link = 0; link < most_links; ++link) {
        std::error_code error;
        auto target = std::filesystem::read_symlink(path, error);
        if (error) break;
        path = (target.is_absolute() ? target : path.parent_path() / target).lexically_normal();
    }
    return zone_after_zoneinfo(path.native());
}

std::string_view trimmed(std::string_view text) {
    constexpr std::string_view blank = " \t\r\n\f\v";
    auto first = text.find_first_not_of(blank);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(blank) - first + 1);
}

// TZ names a zone ("Europe/Berlin", ":Europe/Berlin") or a zone file by its
// path ("/etc/localtime", ":/etc/localtime", as service managers set it).
std::optional<std::string> zone_of_variable(std::string_view value) {
    if (!value.empty() && value.front() == ':') value.remove_prefix(1);
    if (value.empty()) return std::nullopt;
    if (value.front() == '/') return zone_of_file(std::filesystem::path(value));
    // Kept even when the database lacks it: the local offset then follows the
    // same variable.
    return std::string(value);
}

std::optional<std::string> system_zone() {
    if (auto tz = nonempty_variable("TZ")) return zone_of_variable(*tz);
    if (std::ifstream file{"/etc/timezone"}) {
        std::stringstream content;
        content << file.rdbuf();
        // The view must not outlive the text it looks into.
        const std::string text = content.str();
        auto name = trimmed(text);
        if (!name.empty()) return std::string(name);
    }
    return zone_of_file("/etc/localtime");
}

// The fields of an RFC 3339 date-time, as written.
struct Rfc3339 {
    std::string_view year, month, day, hour, minute;
    std::string_view offset;  // "+hh:mm" or "-hh:mm"; empty for a zero offset
};

int two_digits(std::string_view text) { return (text[0] - '0') * 10 + (text[1] - '0'); }

bool digits_at(std::string_view text, std::size_t at, std::size_t count) {
    return at + count <= text.size() && all_digits(text.substr(at, count));
}

// The offset part: "Z", "z" or a sign with hh:mm. Sets `offset` to empty for
// any zero offset, "-00:00" included.
bool read_offset(std::string_view text, std::string_view& offset) {
    if (text == "Z" || text == "z") {
        offset = {};
        return true;
    }
    if (text.size() != 6 || (text[0] != '+' && text[0] != '-') || text[3] != ':') return false;
    if (!digits_at(text, 1, 2) || !digits_at(text, 4, 2)) return false;
    int hours = two_digits(text.substr(1));
    int minutes = two_digits(text.substr(4));
    if (hours > 23 || minutes > 59) return false;
    offset = hours == 0 && minutes == 0 ? std::string_view{} : text;
    return true;
}

std::optional<Rfc3339> parse_rfc3339(std::string_view text) {
    // "YYYY-MM-DDThh:mm:ss" then an optional fraction and the offset.
    if (text.size() < 20) return std::nullopt;
    if (text[4] != '-' || text[7] != '-' || text[13] != ':' || text[16] != ':') return std::nullopt;
    if (text[10] != 'T' && text[10] != 't' && text[10] != ' ') return std::nullopt;
    for (std::size_t at : {0, 5, 8, 11, 14, 17}) {
        if (!digits_at(text, at, at == 0 ? 4 : 2)) return std::nullopt;
    }
    Rfc3339 parsed{text.substr(0, 4), text.substr(5, 2), text.substr(8, 2), text.substr(11, 2), text.substr(14, 2), {}};
    unsigned month = static_cast<unsigned>(two_digits(parsed.month));
    unsigned day = static_cast<unsigned>(two_digits(parsed.day));
    if (month < 1 || month > 12 || day < 1) return std::nullopt;
    int year = two_digits(parsed.year) * 100 + two_digits(parsed.year.substr(2));
    auto month_end = date::year{year} / date::month{month} / date::last;
    if (day > static_cast<unsigned>(month_end.day())) return std::nullopt;
    if (two_digits(parsed.hour) > 23 || two_digits(parsed.minute) > 59 || two_digits(text.substr(17)) > 60) {
        return std::nullopt;
    }
    std::string_view rest = text.substr(19);
    if (rest.front() == '.') {
        auto fraction_end = std::find_if_not(rest.begin() + 1, rest.end(), is_digit);
        if (fraction_end == rest.begin() + 1) return std::nullopt;
        rest.remove_prefix(static_cast<std::size_t>(fraction_end - rest.begin()));
    }
    if (!read_offset(rest, parsed.offset)) return std::nullopt;
    return parsed;
}

}  // namespace

StampSources system_stamp_sources() {
    StampSources sources;
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) sources.source_date_epoch = epoch;
    sources.locale = system_locale();
    sources.zone = system_zone();
    sources.now = std::chrono::system_clock::now();
    return sources;
}

std::string footer_stamp(const StampSources& sources) {
    if (sources.source_date_epoch) {
        if (auto stamp = reproducible_stamp(*sources.source_date_epoch)) return *stamp;
    }
    std::string date_form = locale_date_form(sources.locale);
    auto now = date::floor<seconds>(sources.now);
    if (sources.zone) {
        if (auto zoned = in_named_zone(*sources.zone, now)) {
            return fmt::format("{} {}", format_local(date_form, zoned->local), zoned->abbreviation);
        }
    }
    return format_local(date_form, in_local_offset(now));
}

std::string stated_instant(std::string_view text) {
    auto parsed = parse_rfc3339(text);
    if (!parsed) return std::string(text);
    return fmt::format("{}.{}.{} {}:{} {}", parsed->day, parsed->month, parsed->year, parsed->hour, parsed->minute,
                       parsed->offset.empty() ? std::string_view{"UTC"} : parsed->offset);
}

}  // namespace brelk
