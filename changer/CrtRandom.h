// The C library's rand()/srand() generator, reproduced so that a collection and a moment give
// the same wallpaper on every platform and build: the changer's choices must not depend on
// which C library the program happens to be linked with.
#pragma once

#include <cstddef>
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

    // An index below count (1 or more), every one equally likely: as many draws as cover
    // count, 15 bits each, and a value past the last whole multiple of count drawn again. One
    // draw's modulus cannot reach past kMax, nor a draw taken modulo a smaller number.
    std::size_t Below(std::size_t count) {
        std::uint64_t range = 1;
        int draws = 0;
        while (range < count) {
            range <<= 15;
            ++draws;
        }
        const std::uint64_t limit = range - range % count;
        for (;;) {
            std::uint64_t value = 0;
            for (int i = 0; i < draws; ++i) value = value << 15 | static_cast<std::uint64_t>(Next());
            if (value < limit) return static_cast<std::size_t>(value % count);
        }
    }

  private:
    std::uint32_t m_state = 1;  // the C library's state before any srand()
};
