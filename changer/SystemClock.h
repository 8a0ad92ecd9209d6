// The clock of the running program: the C library's time and local time.
#pragma once

#include <cstdint>

#include "changer/ChangerSeams.h"

// The local-time fields of a moment in the process's time zone; all zero when the C library
// cannot convert it.
LocalTimeFields LocalTimeAt(std::int64_t secondsSince1970);

class CSystemClock : public IClock {
  public:
    ClockReading Now() const override;
};
