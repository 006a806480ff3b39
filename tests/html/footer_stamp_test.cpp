#include "html/footer_stamp.hpp"

#include <locale.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include <date/date.h>
#include <gtest/gtest.h>

#include "temp_tree.hpp"

namespace brelk {
namespace {

using namespace date::literals;

std::chrono::system_clock::time_point at(date::sys_days day, std::chrono::seconds time_of_day) {
    return date::sys_seconds{day + time_of_day};
}

// 2003-01-02 04:05:06 UTC, so fallbacks are recognisable.
const auto fixed_now = at(2003_y / date::January / 2, std::chrono::seconds{4 * 3600 + 5 * 60 + 6});

// Sets TZ (or unsets it, for nullopt) for one test and puts the old value back.
class ScopedTz {
public:
    explicit ScopedTz(const std::optional<std::string>& value) {
        if (const char* saved = std::getenv("TZ")) previous_ = saved;
        set(value);
    }
    ~ScopedTz() { set(previous_); }
    ScopedTz(const ScopedTz&) = delete;
    ScopedTz& operator=(const ScopedTz&) = delete;

    static void set(const std::optional<std::string>& value) {
        if (value) {
            setenv("TZ", value->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

private:
    std::optional<std::string> previous_;
};

StampSources posix_utc(std::optional<std::string> epoch) {
    return StampSources{std::move(epoch), std::string("POSIX"), std::string("UTC"), fixed_now};
}

TEST(FooterStamp, ReproducibleTimeFromSourceDateEpoch) {
    EXPECT_EQ(footer_stamp(posix_utc("0")), "01.01.1970 00:00 UTC");
    EXPECT_EQ(footer_stamp(posix_utc("86399")), "01.01.1970 23:59 UTC");
    EXPECT_EQ(footer_stamp(posix_utc("-1")), "31.12.1969 23:59 UTC");
    EXPECT_EQ(footer_stamp(posix_utc("-86400")), "31.12.1969 00:00 UTC");
    EXPECT_EQ(footer_stamp(posix_utc("+5")), "01.01.1970 00:00 UTC");
    EXPECT_EQ(footer_stamp(posix_utc("1700000000")), "14.11.2023 22:13 UTC");
}

TEST(FooterStamp, InvalidSourceDateEpochFallsBackToTheClock) {
    for (const char* value : {" 5", "5 ", "1e3", "", "-", "+", "+-5", "0x10", "99999999999999999999",
                              "9223372036854775808", "9223372036854775807", "-9223372036854775808"}) {
        EXPECT_EQ(footer_stamp(posix_utc(value)), "01/02/03 04:05 UTC") << '"' << value << '"';
    }
    EXPECT_EQ(footer_stamp(posix_utc(std::nullopt)), "01/02/03 04:05 UTC");
}

TEST(FooterStamp, LastRepresentableDaysOfTheCalendar) {
    // 32767-12-31 23:59:59 and one second later; -32767-01-01 and one second earlier.
    EXPECT_EQ(footer_stamp(posix_utc("971890963199")), "31.12.32767 23:59 UTC");
    EXPECT_EQ(footer_stamp(posix_utc("971890963200")), "01/02/03 04:05 UTC");
    EXPECT_EQ(footer_stamp(posix_utc("-1096193779200")), "01.01.-32767 00:00 UTC");
    EXPECT_EQ(footer_stamp(posix_utc("-1096193779201")), "01/02/03 04:05 UTC");
}

TEST(FooterStamp, LocaleAndZone) {
    StampSources sources{std::nullopt, std::string("C"), std::string("America/New_York"), fixed_now};
    EXPECT_EQ(footer_stamp(sources), "01/01/03 23:05 EST");

    sources.locale = "xx_NOWHERE";
    EXPECT_EQ(footer_stamp(sources), "01/01/03 23:05 EST");

    sources.locale = std::nullopt;
    sources.zone = "Asia/Kolkata";
    EXPECT_EQ(footer_stamp(sources), "01/02/03 09:35 IST");
}

TEST(FooterStamp, UnknownZoneUsesTheLocalOffsetWithoutSuffix) {
    ScopedTz tz("XYZ-3");  // three hours east, known to the C library only
    StampSources sources{std::nullopt, std::string("POSIX"), std::string("Nowhere/Atlantis"), fixed_now};
    EXPECT_EQ(footer_stamp(sources), "01/02/03 07:05");
    sources.zone = std::nullopt;
    EXPECT_EQ(footer_stamp(sources), "01/02/03 07:05");
}

TEST(FooterStamp, ZoneNamedByEtcTimezone) {
    std::ifstream file("/etc/timezone");
    std::string written;
    if (!(file >> written)) GTEST_SKIP() << "no /etc/timezone here";
    ScopedTz tz(std::nullopt);
    EXPECT_EQ(system_stamp_sources().zone, written);
}

TEST(FooterStamp, ZoneFileNamedByPathIsTheZoneItsLinksEndAt) {
    namespace fs = std::filesystem;
    if (!fs::exists("/usr/share/zoneinfo/Europe/Berlin")) GTEST_SKIP() << "no zone database here";
    testing::TempTree tree;
    fs::create_symlink("/usr/share/zoneinfo/Europe/Berlin", tree.path("localtime"));
    fs::create_symlink("localtime", tree.path("relative"));
    const std::string localtime = tree.path("localtime").string();
    for (const std::string& value : {localtime, ":" + localtime, ":" + tree.path("relative").string(),
                                     std::string(":/usr/share/zoneinfo/Europe/Berlin")}) {
        ScopedTz tz(value);
        EXPECT_EQ(system_stamp_sources().zone, "Europe/Berlin") << value;
    }
    if (fs::is_symlink("/usr/share/zoneinfo/US/Eastern")) {
        ScopedTz tz(":/usr/share/zoneinfo/US/Eastern");
        EXPECT_EQ(system_stamp_sources().zone, "America/New_York");
    }
    {
        ScopedTz tz(":Europe/Berlin");
        EXPECT_EQ(system_stamp_sources().zone, "Europe/Berlin");
    }

    // A path that leads to no zone: the local offset, with no zone after it.
    fs::create_symlink(tree.path("nowhere"), tree.path("dangling"));
    for (const std::string& value : {":" + tree.path("dangling").string(), tree.root().string()}) {
        ScopedTz tz(value);
        auto sources = system_stamp_sources();
        EXPECT_EQ(sources.zone, std::nullopt) << value;
        sources.locale = "POSIX";
        sources.now = fixed_now;
        EXPECT_EQ(footer_stamp(sources), "01/02/03 04:05") << value;
    }
}

TEST(FooterStamp, GermanLocaleInBerlinWinter) {
    locale_t german = newlocale(LC_TIME_MASK, "de_DE.UTF-8", locale_t{});
    if (german == locale_t{}) GTEST_SKIP() << "the de_DE locale is not installed";
    freelocale(german);
    auto winter = at(2024_y / date::January / 15, std::chrono::seconds{9 * 3600 + 30 * 60});
    EXPECT_EQ(footer_stamp(StampSources{std::nullopt, std::string("de-DE"), std::string("Europe/Berlin"), winter}),
              "15.01.2024 10:30 CET");
    EXPECT_EQ(footer_stamp(StampSources{"junk", std::string("de_DE"), std::string("Europe/Berlin"), winter}),
              "15.01.2024 10:30 CET");
}

TEST(StatedInstant, RendersInItsOwnOffset) {
    EXPECT_EQ(stated_instant("2024-03-05T14:07:09Z"), "05.03.2024 14:07 UTC");
    EXPECT_EQ(stated_instant("2024-03-05t14:07:09z"), "05.03.2024 14:07 UTC");
    EXPECT_EQ(stated_instant("2024-03-05 14:07:09.123456+00:00"), "05.03.2024 14:07 UTC");
    EXPECT_EQ(stated_instant("2024-03-05T14:07:09-00:00"), "05.03.2024 14:07 UTC");
    EXPECT_EQ(stated_instant("2024-03-05T23:59:60-05:30"), "05.03.2024 23:59 -05:30");
    EXPECT_EQ(stated_instant("2024-03-05T14:07:09.5+05:30"), "05.03.2024 14:07 +05:30");
    EXPECT_EQ(stated_instant("2024-02-29T00:00:00Z"), "29.02.2024 00:00 UTC");
    EXPECT_EQ(stated_instant("2000-02-29T00:00:00Z"), "29.02.2000 00:00 UTC");
}

TEST(StatedInstant, AnythingElseIsReturnedUnchanged) {
    for (const char* text : {"", "yesterday", "2024-03-05", "2024-03-05T14:07:09", "2024-03-05T14:07Z",
                             "2024-03-05T14:07:09.Z", "2024-03-05T14:07:09+0530", "2024-03-05T14:07:09+05:30 ",
                             " 2024-03-05T14:07:09Z", "2024-03-05X14:07:09Z", "2024-13-05T14:07:09Z",
                             "2024-00-05T14:07:09Z", "2023-02-29T14:07:09Z", "1900-02-29T00:00:00Z",
                             "2024-04-31T14:07:09Z", "2024-03-00T14:07:09Z", "2024-03-05T24:00:00Z",
                             "2024-03-05T14:60:00Z", "2024-03-05T14:07:61Z", "2024-03-05T14:07:09+24:00",
                             "2024-03-05T14:07:09+05:60", "+024-03-05T14:07:09Z", "2024-3-05T14:07:09Z"}) {
        EXPECT_EQ(stated_instant(text), text);
    }
}

}  // namespace
}  // namespace brelk
