#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "changer/SystemClock.h"

namespace {

// Runs with the process's time zone set to UTC and puts the old one back.
class UtcZone {
  public:
    UtcZone() {
        const char* old = std::getenv("TZ");
        m_had = old != nullptr;
        if (old) m_old = old;
        Set("UTC0");
    }
    ~UtcZone() {
        if (m_had) {
            Set(m_old.c_str());
        } else {
#ifdef _WIN32
            _putenv("TZ=");
            _tzset();
#else
            unsetenv("TZ");
            tzset();
#endif
        }
    }

  private:
    static void Set(const char* zone) {
#ifdef _WIN32
        _putenv(("TZ=" + std::string(zone)).c_str());
        _tzset();
#else
        setenv("TZ", zone, 1);
        tzset();
#endif
    }
    bool m_had = false;
    std::string m_old;
};

}  // namespace

TEST(SystemClock, LocalTimeFieldsCountSundayAsOne) {
    UtcZone utc;
    // Sunday 2026-12-06 14:02:36 UTC.
    LocalTimeFields f = LocalTimeAt(1796565756);
    EXPECT_EQ(f.year, 2026);
    EXPECT_EQ(f.month, 12);
    EXPECT_EQ(f.weekday, 1);
    EXPECT_EQ(f.day, 6);
    EXPECT_EQ(f.hour, 14);
    EXPECT_EQ(f.minute, 2);
    EXPECT_EQ(f.second, 36);
    // Saturday is the seventh day.
    EXPECT_EQ(LocalTimeAt(1796565756 - 86400).weekday, 7);
}
