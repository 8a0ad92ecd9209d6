// The application object: settings, recent files, the document template, the message loop
// with idle processing, and the application-wide commands (new, open, recent file, exit).
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fw/CmdTarget.h"
#include "fw/RecentFileList.h"

class CDocument;
class CFrameWnd;
class CSingleDocTemplate;
class IProfileStore;
class CWnd;

class CWinApp : public CCmdTarget {
  public:
    CWinApp();
    ~CWinApp() override;
    static CWinApp* Get();

    virtual bool InitInstance() = 0;
    // The message loop; returns the exit code.
    int Run();
    // Idle-time work; count is 0 on the first call after a message. True asks for more.
    virtual bool OnIdle(long count);
    // Handles one message; false when the application is quitting.
    bool PumpMessage();
    // Offers msg to each filter and then to the main window; true when one of them took it.
    virtual bool PreTranslateMessage(MSG* msg);
    // A modeless window that sees the loop's messages first (a modeless dialog, for its
    // keyboard interface). Windows leave the list by themselves when destroyed.
    void AddMessageFilter(CWnd* wnd);
    void RemoveMessageFilter(CWnd* wnd);

    // Where the framework keeps the recent-file list; the program's, and it outlives the
    // application object. Without one nothing is remembered.
    void SetProfileStore(IProfileStore* store) { m_pProfileStore = store; }
    IProfileStore* GetProfileStore() const { return m_pProfileStore; }
    // Reads the recent-file list of recentCount entries from the profile store.
    void LoadStdProfileSettings(int recentCount);
    // The program's name, from its string AFX_IDS_APP_TITLE: message box captions, the help page.
    const std::string& AppTitle() const { return m_strAppTitle; }
    // The first field of the template string (the frame's title), or the application title.
    std::string GetFrameTitle() const;

    // Where recovery copies of unsaved edits go when Windows ends the session without asking
    // (Recovery.h); empty: nowhere. The program names its own folder; tests name theirs.
    void SetRecoveryFolder(const std::string& folder) { m_strRecoveryFolder = folder; }
    const std::string& GetRecoveryFolder() const { return m_strRecoveryFolder; }
    // After a start has opened its document: a recovery copy of it is offered back. Yes makes
    // the copy the document's unsaved contents, No deletes it; a copy that cannot be read is
    // kept and named.
    void OfferRecoveryCopy();

    void AddDocTemplate(std::unique_ptr<CSingleDocTemplate> docTemplate);
    CSingleDocTemplate* GetDocTemplate() const { return m_pDocTemplate.get(); }
    CDocument* OpenDocumentFile(const std::string& path);
    // Closes the template's frame and document (they may still use the program's settings).
    void CloseAllDocuments();
    void OnFileNew();
    void OnFileOpen();

    void AddToRecentFileList(const std::string& path);
    CRecentFileList* GetRecentFileList() { return m_pRecentFileList.get(); }
    // Replaces the recent-file items of popup, which start at position first.
    void UpdateRecentFileMenu(HMENU popup, int first);

    bool OnCmdMsg(unsigned id, CCmdUI* ui) override;

    // Opens the help page that ships beside the program. False (and a message) when it cannot.
    bool ShowHelp();
    // The help page: "<program directory>\<application title>.html".
    std::string GetHelpPath() const;
    std::function<bool(const std::string& path)> m_helpHook;  // tests see the page asked for

    // A message box captioned with the application title. Tests answer it through the hook.
    int DoMessageBox(const std::string& text, UINT type);
    // The same for a text that may hold characters of no code page (a file's name).
    int DoMessageBox(const std::wstring& text, UINT type);
    std::function<int(const std::string& text, UINT type)> m_messageBoxHook;
    // The open or save file dialog; name is the proposal in and the choice out.
    bool DoPromptFileName(std::string& name, bool open, CSingleDocTemplate* docTemplate);
    std::function<bool(std::string& name, bool open)> m_fileDialogHook;

    HINSTANCE m_hInstance = nullptr;
    // The loop ends when this window is destroyed. Any kind of window: a frame, a dialog.
    CWnd* m_pMainWnd = nullptr;

  protected:
    std::string m_strAppTitle;

  private:
    std::string m_strRecoveryFolder;
    void WriteRecentFileList();
    // Takes one message from the queue and handles it; false at WM_QUIT (msg holds it).
    bool HandleOneMessage(MSG& msg);

    std::vector<CWnd*> m_filters;

    IProfileStore* m_pProfileStore = nullptr;
    std::unique_ptr<CRecentFileList> m_pRecentFileList;
    std::unique_ptr<CSingleDocTemplate> m_pDocTemplate;
};

// Starts what the program's windows need of the platform: OLE (clipboard, drag and drop) and
// the common controls. Once per thread that makes windows, before the first of them.
void InitPlatform();

// One message listing the names that were not added because CP932 cannot hold
// them (see CRefusedNames); nothing when there are none.
void ReportRefusedNames(const std::vector<std::wstring>& names);

// A string resource of the program; empty when missing.
std::string LoadResourceString(UINT id);

// The full path of a file name as the system resolves it; the name itself when it cannot.
std::string FullPathName(const std::string& path);
