#include "fw/Document.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <exception>

#include "fw/Archive.h"
#include "fw/FrameWnd.h"
#include "fw/Ids.h"
#include "fw/SingleDocTemplate.h"
#include "fw/View.h"
#include "fw/WinApp.h"
#include "model/CollectionFile.h"
#include "model/Mbcs.h"

namespace {
const char kOpenFailed[] = "ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。";
const char kSaveFailed[] = "ﾄﾞｷｭﾒﾝﾄの保存に失敗しました。";
const char kKeptIn[] = "保存した内容は次のファイルにあります:";
}  // namespace

CDocument::~CDocument() {
    // Views that outlive the document must not reach for it.
    std::vector<CView*> views = m_views;
    for (CView* view : views) view->SetDocument(nullptr);
}

void CDocument::AddView(CView* view) {
    if (view && std::find(m_views.begin(), m_views.end(), view) == m_views.end())
        m_views.push_back(view);
}

void CDocument::RemoveView(CView* view) {
    m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
}

void CDocument::UpdateAllViews(CView* sender, const CUpdateHint& hint) {
    std::vector<CView*> views = m_views;
    for (CView* view : views) {
        if (view != sender) view->OnUpdate(sender, hint);
    }
}

bool CDocument::OnNewDocument() {
    DeleteContents();
    m_strPathName.clear();
    m_bStartOver = false;
    SetModifiedFlag(false);
    return true;
}

bool CDocument::OnOpenDocument(const std::string& path) {
    m_bStartOver = false;
    std::FILE* file = OpenStdioFile(path, "rb");
    if (!file) {
        CWinApp::Get()->DoMessageBox(kOpenFailed, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    DeleteContents();
    CFileLineSource source(file, CArchive::kBufferSize);
    CArchive ar(source);
    bool failed = false;
    try {
        Serialize(ar);
        failed = source.Failed();
    } catch (const std::exception&) {
        // Out of memory part way through a huge file, say: what was read is no collection.
        failed = true;
    }
    std::fclose(file);
    if (failed) {
        m_bStartOver = true;
        CWinApp::Get()->DoMessageBox(kOpenFailed, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    SetModifiedFlag(false);
    return true;
}

void CDocument::SetModifiedFlag(bool modified) {
    if (modified == m_bModified) return;
    m_bModified = modified;
    if (m_pDocTemplate && m_pDocTemplate->GetFrame())
        m_pDocTemplate->GetFrame()->OnDocumentModified(modified);
}

bool CDocument::SaveCopy(const std::string& path, std::string& error) {
    return WriteFileReplacing(
        path,
        [&](IByteSink& sink) {
            CArchive ar(sink);
            Serialize(ar);
        },
        error);
}

bool CDocument::OnSaveDocument(const std::string& path) {
    std::string error, keptAt;
    bool saved = WriteFileReplacing(
        path,
        [&](IByteSink& sink) {
            CArchive ar(sink);
            Serialize(ar);
        },
        error, &keptAt);
    if (!saved) {
        // When the save went wrong half-way, the collection is still in a file of its own:
        // the user must learn where, or it looks lost.
        std::string text = kSaveFailed;
        if (!keptAt.empty()) text += std::string("\n") + kKeptIn + "\n" + keptAt;
        CWinApp::Get()->DoMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
    }
    return saved;
}

void CDocument::SetPathName(const std::string& path, bool addToRecent) {
    m_strPathName = FullPathName(path);
    SetTitle(mbcs::FileName(m_strPathName));
    if (addToRecent) CWinApp::Get()->AddToRecentFileList(m_strPathName);
}

void CDocument::SetTitle(const std::string& title) {
    m_strTitle = title;
    if (m_pDocTemplate && m_pDocTemplate->GetFrame())
        m_pDocTemplate->GetFrame()->OnUpdateFrameTitle();
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
    SetModifiedFlag(false);
    if (path.empty() || target != m_strPathName) SetPathName(target);
    return true;
}

bool CDocument::SaveModified() {
    if (!m_bModified) return true;
    std::string question = m_strTitle + " への変更を保存しますか?";
    switch (CWinApp::Get()->DoMessageBox(question, MB_YESNOCANCEL | MB_ICONEXCLAMATION)) {
        case IDYES:
            return DoSave(m_strPathName);
        case IDNO:
            return true;
        default:
            return false;
    }
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
