#include "changer/WallPaperHistory.h"

void CWallPaperHistory::Record(const std::string& path) {
    if (m_paths.size() >= kMaxEntries) m_paths.pop_front();
    m_paths.push_back(path);
}

std::string CWallPaperHistory::GetAt(std::size_t index) const {
    return index < m_paths.size() ? m_paths[index] : std::string();
}

CWallPaperHistory& WallPaperHistory() {
    static CWallPaperHistory history;
    return history;
}
