#include "views/PageHistory.h"

void CPageHistory::Leave(int x, int y) {
    if (m_steps.empty()) return;
    m_steps[m_current].scrollX = x;
    m_steps[m_current].scrollY = y;
}

const CPageHistory::Step& CPageHistory::Navigate(const std::string& path, int x, int y) {
    if (!m_steps.empty() && m_steps[m_current].path == path) {
        m_steps.resize(m_current + 1);
        m_steps[m_current].scrollX = m_steps[m_current].scrollY = 0;
    } else {
        Leave(x, y);
        if (!m_steps.empty()) m_steps.resize(m_current + 1);
        m_steps.push_back(Step{path, 0, 0});
        m_current = m_steps.size() - 1;
    }
    return m_steps[m_current];
}

const CPageHistory::Step* CPageHistory::Back(int x, int y) {
    if (m_steps.empty() || m_current == 0) return nullptr;
    Leave(x, y);
    return &m_steps[--m_current];
}

const CPageHistory::Step* CPageHistory::Forward(int x, int y) {
    if (m_current + 1 >= m_steps.size()) return nullptr;
    Leave(x, y);
    return &m_steps[++m_current];
}

const std::string& CPageHistory::CurrentPath() const {
    static const std::string none;
    return m_steps.empty() ? none : m_steps[m_current].path;
}
