#include "fw/Document.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <exception>

#include "fw/Archive.h"
#include "fw/FileStamp.h"
#include "fw/FrameWnd.h"
#include "fw/Ids.h"
#include "fw/SingleDocTemplate.h"
#include "fw/View.h"
#include "fw/WinApp.h"
#include "model/CollectionFile.h"
#include "model/Mbcs.h"
#include "win/Strconv.h"

namespace {
const char kOpenFailed[] = "ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。";
const char kSaveFailed[] = "ﾄﾞｷｭﾒﾝﾄの保存に失敗しました。";
const char kKeptIn[] = "保存した内容は次のファイルにあります:";
const char kChangedOnDisk[] =
    " は、開いた後でほかのプログラムによって変更されています。\n"
    "上書きすると、その変更は失われます。\n\n"
    "[はい] 名前を付けて保存\n[いいえ] 上書き保存\n[キャンセル] 保存しない";
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
    m_diskStamp = FileStamp();
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
    // Read again through the same handle: it names what was just read even if another
    // program has put a new file under the name meanwhile.
    FileStamp stamp;
    if (!failed) StampOpenFile(file, stamp);
    m_diskStamp = stamp;
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
    switch (CheckDiskFile(target)) {
        case Overwrite::kGo:
            break;
        case Overwrite::kSaveAs:
            return DoSave(std::string());
        case Overwrite::kCancel:
            return false;
    }
    if (!OnSaveDocument(target)) return false;
    // What is there now is ours: the next save compares against it.
    StampFile(target, m_diskStamp);
    SetModifiedFlag(false);
    if (path.empty() || target != m_strPathName) SetPathName(target);
    return true;
}

CDocument::Overwrite CDocument::CheckDiskFile(const std::string& target) {
    if (!m_diskStamp.known || m_strPathName.empty()) return Overwrite::kGo;
    if (lstrcmpiW(ToWide(FullPathName(target)).c_str(), ToWide(m_strPathName).c_str()) != 0)
        return Overwrite::kGo;
    FileStamp now;
    // A file that is gone loses nothing by being written; one that cannot be read is left to
    // the save, which reports it.
    if (!StampFile(target, now) || now.SameContents(m_diskStamp)) return Overwrite::kGo;
    switch (CWinApp::Get()->DoMessageBox(m_strTitle + kChangedOnDisk,
                                         MB_YESNOCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON1)) {
        case IDYES:
            return Overwrite::kSaveAs;
        case IDNO:
            return Overwrite::kGo;
        default:
            return Overwrite::kCancel;
    }
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

void CDocument::StampOwnFile() {
    if (m_strPathName.empty() || !StampFile(m_strPathName, m_diskStamp)) m_diskStamp = FileStamp();
}
