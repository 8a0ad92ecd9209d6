#include "changer/SystemClock.h"

#include <ctime>

LocalTimeFields LocalTimeAt(std::int64_t secondsSince1970) {
    LocalTimeFields fields;
    const std::time_t moment = static_cast<std::time_t>(secondsSince1970);
    // std::localtime shares one buffer; the changer reads the clock on one thread only.
    const std::tm* local = std::localtime(&moment);
    if (!local) return fields;
    fields.year = local->tm_year + 1900;
    fields.month = local->tm_mon + 1;
    fields.weekday = local->tm_wday + 1;
    fields.day = local->tm_mday;
    fields.hour = local->tm_hour;
    fields.minute = local->tm_min;
    fields.second = local->tm_sec;
    return fields;
}

ClockReading CSystemClock::Now() const {
    ClockReading reading;
    reading.secondsSince1970 = static_cast<std::int64_t>(std::time(nullptr));
    reading.local = LocalTimeAt(reading.secondsSince1970);
    return reading;
}
