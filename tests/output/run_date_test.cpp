// Pins the date text of the report trailer: "%B %d, %Y, at %H.%M h" in local
// time with English month names. Expectations use instants whose UTC calendar
// dates are well known (the epoch, 1 000 000 000 s = 9 September 2001 01:46:40,
// 1 234 567 890 s = 13 February 2009 23:31:30), read with TZ=UTC; and the
// month name must stay English when the time locale is not.
#include <gtest/gtest.h>

#include <array>
#include <clocale>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <optional>

#include "output/report.h"

namespace tarnevo::testing {
namespace {

using output::FormatRunDate;

// Sets the TZ variable for one test and puts the old value back.
class TimeZone {
public:
    explicit TimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) old_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TimeZone() {
        if (old_)
            setenv("TZ", old_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    TimeZone(const TimeZone&) = delete;
    TimeZone& operator=(const TimeZone&) = delete;

private:
    std::optional<std::string> old_;
};

TEST(RunDateTest, HasMonthTwoDigitDayYearAndDottedTwentyFourHourTime) {
    const TimeZone utc("UTC");
    EXPECT_EQ(FormatRunDate(0), "January 01, 1970, at 00.00 h");
    EXPECT_EQ(FormatRunDate(1000000000), "September 09, 2001, at 01.46 h");
    EXPECT_EQ(FormatRunDate(1234567890), "February 13, 2009, at 23.31 h");
}

TEST(RunDateTest, FollowsTheLocalTimeZone) {
    // Two hours east of UTC all year round (POSIX TZ signs are inverted).
    const TimeZone east("XYZ-2");
    EXPECT_EQ(FormatRunDate(1234567890), "February 14, 2009, at 01.31 h");
}

TEST(RunDateTest, TimeBeyondTheCalendarGivesEmptyText) {
    const TimeZone utc("UTC");
    EXPECT_EQ(FormatRunDate(std::numeric_limits<std::time_t>::max()), "");
}

// 13 February 2009 is "Februar", "février", "febrero" or "febbraio" in the
// locales tried; the C library's own month name proves the locale took effect.
TEST(RunDateTest, MonthStaysEnglishUnderAnotherTimeLocale) {
    const std::string previous = std::setlocale(LC_TIME, nullptr);
    const char* chosen = nullptr;
    for (const char* name :
         {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "es_ES.UTF-8", "it_IT.UTF-8"}) {
        if (std::setlocale(LC_TIME, name) != nullptr) {
            chosen = name;
            break;
        }
    }
    if (chosen == nullptr) GTEST_SKIP() << "no German, French, Spanish or Italian locale installed";
    const TimeZone utc("UTC");
    const std::time_t instant = 1234567890;
    std::tm calendar{};
    gmtime_r(&instant, &calendar);
    std::array<char, 64> localMonth{};
    std::strftime(localMonth.data(), localMonth.size(), "%B", &calendar);
    const std::string text = FormatRunDate(instant);
    std::setlocale(LC_TIME, previous.c_str());
    EXPECT_NE(std::string(localMonth.data()), "February") << chosen << " did not take effect";
    EXPECT_EQ(text, "February 13, 2009, at 23.31 h") << "under " << chosen;
}

}  // namespace
}  // namespace tarnevo::testing
