// The wallpapers set in this process, oldest first. Lives as long as the process and is never
// saved; its owner hands it to whoever sets wallpapers and to the history dialog.
#pragma once

#include <cstddef>
#include <deque>
#include <string>

class CWallPaperHistory {
  public:
    // One more than a round hundred: the oldest goes only once more than 100 are held.
    static constexpr std::size_t kMaxEntries = 101;

    // Appends path, first dropping the oldest entry when the list is full. The same path may
    // appear any number of times.
    void Record(const std::string& path);

    std::size_t GetCount() const { return m_paths.size(); }
    // The index-th path counted from the oldest; empty when out of range.
    std::string GetAt(std::size_t index) const;
    const std::deque<std::string>& Paths() const { return m_paths; }

  private:
    std::deque<std::string> m_paths;
};

// The process-wide history: every wallpaper set by this process, from the changer's first tick
// to the editor's last command.
CWallPaperHistory& WallPaperHistory();
