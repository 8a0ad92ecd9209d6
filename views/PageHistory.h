// The thumbnail pane's back and forward history: each step a page or picture shown, with where
// it was scrolled to when the user left it, so that going back finds the place again.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class CPageHistory {
  public:
    struct Step {
        std::string path;
        int scrollX = 0, scrollY = 0;
    };

    // Goes to path as a new step, the steps after the current one dropped; the current one is
    // left scrolled to (x, y). Going to the path shown now again stays in its step, at the top.
    const Step& Navigate(const std::string& path, int x, int y);
    // The step before or after, the current one left scrolled to (x, y); null when there is
    // none that way, and nothing changes.
    const Step* Back(int x, int y);
    const Step* Forward(int x, int y);

    bool empty() const { return m_steps.empty(); }
    std::size_t size() const { return m_steps.size(); }
    // The path shown now; empty before the first step.
    const std::string& CurrentPath() const;

  private:
    void Leave(int x, int y);

    std::vector<Step> m_steps;
    std::size_t m_current = 0;  // index into m_steps when it is not empty
};
