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

// A clock that reads what it was last set to: simulated runs read start + k × interval at tick
// k, so that every run over the same moments makes the same choices.
class CFixedStepClock : public IClock {
  public:
    void Set(std::int64_t seconds) {
        m_reading.secondsSince1970 = seconds;
        m_reading.local = LocalTimeAt(seconds);
    }
    ClockReading Now() const override { return m_reading; }

  private:
    ClockReading m_reading;
};
