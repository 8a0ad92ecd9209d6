// Lines one at a time and nothing more: the reader takes every line through its general
// splitting, which is what lines of the writer's forms, taken straight out of a buffer,
// must read the same as.
#pragma once

#include <string>

#include "model/ByteStream.h"

class CLineByLineSource : public ILineSource {
  public:
    explicit CLineByLineSource(const std::string& text) : m_inner(text) {}
    bool ReadLine(std::string& line) override { return m_inner.ReadLine(line); }

  private:
    CStringLineSource m_inner;
};
