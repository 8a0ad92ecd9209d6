#include "fw/Document.h"

#include <windows.h>

#include "fw/FrameWnd.h"
#include "fw/SingleDocTemplate.h"
#include "fw/WinApp.h"
#include "model/Mbcs.h"
#include "res/resource.h"

bool CDocument::OnNewDocument() {
    m_strPathName.clear();
    return true;
}

void CDocument::SetPathName(const std::string& path, bool addToRecent) {
    char full[MAX_PATH * 2] = "";
    DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    m_strPathName = (length > 0 && length < sizeof full) ? std::string(full, length) : path;
    SetTitle(mbcs::FileName(m_strPathName));
    if (addToRecent) CWinApp::Get()->AddToRecentFileList(m_strPathName);
}

void CDocument::SetTitle(const std::string& title) {
    m_strTitle = title;
    if (m_pDocTemplate && m_pDocTemplate->GetFrame()) m_pDocTemplate->GetFrame()->OnUpdateFrameTitle();
}

bool CDocument::DoSave(const std::string& path) {
    std::string target = path;
    if (target.empty()) {
        // An untitled document is offered under its title, with the document's extension.
        std::string name = m_strPathName.empty() ? m_strTitle : m_strPathName;
        if (m_strPathName.empty() && m_pDocTemplate) {
            std::string ext = m_pDocTemplate->GetDocString(CSingleDocTemplate::filterExt);
            if (!ext.empty() && mbcs::Extension(name).empty()) name += ext;
        }
        if (!CWinApp::Get()->DoPromptFileName(name, false, m_pDocTemplate)) return false;
        target = name;
    }
    if (!OnSaveDocument(target)) return false;
    if (path.empty() || target != m_strPathName) SetPathName(target);
    return true;
}

bool CDocument::OnCmdMsg(unsigned id, CCmdUI* ui) {
    switch (id) {
        case ID_FILE_SAVE:
            if (!ui) DoSave(m_strPathName);
            return true;
        case ID_FILE_SAVE_AS:
            if (!ui) DoSave(std::string());
            return true;
    }
    return false;
}
