// The application: start-up of the editor and the application-wide commands.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "fw/WinApp.h"

class CRegistrySettingsStore;
class CSettings;

class CPelorandApp : public CWinApp {
  public:
    CPelorandApp();
    ~CPelorandApp() override;
    static CPelorandApp* Get() { return static_cast<CPelorandApp*>(CWinApp::Get()); }

    bool InitInstance() override;
    bool OnCmdMsg(unsigned id, CCmdUI* ui) override;

    // The collection file named on the command line: the first argument that is no switch, in
    // CP932 (or its short name). Empty, and the name noted as refused (NoteRefusedName), when
    // CP932 cannot name it.
    static std::string FileToOpen(int argc, wchar_t** argv);
    // Changer mode: with no file named and ExeCuteCheck set, the changer window runs before any
    // editor window. False when the user closed it, which ends the program.
    bool RunChangerPhase(const std::string& file);
    // After the changer's "エディタで表示": the running collection, opened in place of an empty
    // one, and its entry then selected in the editor.
    const std::string& ChangerEditFile() const { return m_strChangerEditFile; }
    void SelectChangerEntry();
    // The single-document template: collection document, main frame, folder tree first.
    void AddPelorandTemplate();
    // Creates the document template if need be and opens path (empty: a new collection), then shows
    // the editor. False when that failed.
    bool CreateEditor(const std::string& path);
    // Settings live under HKCU\Software\<company>\<application title>; the framework keeps its
    // recent-file list there too. Called before the editor is made: its document keeps them.
    void SetRegistryKey(const std::string& company);
    CSettings& Settings();
    CRegistrySettingsStore& Store();
    // Maps ".plr" to "Pelorand.Document" for the current user, opened by this program; not when
    // the program runs from the temporary folder (a preview of an archive, say), whose copy is
    // soon gone.
    void RegisterShellFileTypes();
    // Whether path lies in folder or below it, as the file system compares names (any case,
    // long or short forms).
    static bool IsInsideFolder(const std::wstring& path, const std::wstring& folder);

  private:
    std::string m_strChangerEditFile;
    std::vector<int> m_changerEditEntry;
    std::unique_ptr<CRegistrySettingsStore> m_pStore;
    std::unique_ptr<CSettings> m_pSettings;
};
