// The C library's rand()/srand() generator, reproduced so that a collection and a moment give
// the same wallpaper on every platform and build: the changer's choices must not depend on
// which C library the program happens to be linked with.
#pragma once

#include <cstdint>

class CCrtRandom {
  public:
    static constexpr int kMax = 0x7FFF;

    void Seed(std::uint32_t seed) { m_state = seed; }

    // One draw: 0 .. kMax.
    int Next() {
        m_state = m_state * 214013u + 2531011u;  // wraps modulo 2^32 like the 32-bit original
        return static_cast<int>((m_state >> 16) & 0x7FFF);
    }

  private:
    std::uint32_t m_state = 1;  // the C library's state before any srand()
};
