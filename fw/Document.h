// A document: its path, its title, and the save commands of the document cycle.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "fw/CmdTarget.h"
#include "fw/FileStamp.h"

class CArchive;
class CSingleDocTemplate;
class CView;
struct CUpdateHint;

class CDocument : public CCmdTarget {
  public:
    ~CDocument() override;

    // The views showing this document. A view joins when it is created on the document and
    // leaves when it goes; windows other than the frame's panes attach the same way.
    void AddView(CView* view);
    void RemoveView(CView* view);
    const std::vector<CView*>& GetViews() const { return m_views; }
    // Calls OnUpdate(sender, hint) on every view but sender.
    void UpdateAllViews(CView* sender, const CUpdateHint& hint);

    // Starts an empty, untitled document.
    virtual bool OnNewDocument();
    // Loads path through Serialize. On false the user has been told why; the document is as
    // it was unless StartsOver() says that reading failed part way.
    virtual bool OnOpenDocument(const std::string& path);
    // Writes path through Serialize, beside it first, so that a failed save leaves the old
    // file whole. On false the user has been told why.
    virtual bool OnSaveDocument(const std::string& path);
    // Reads or writes the document's contents.
    virtual void Serialize(CArchive& ar) = 0;
    // Lets go of whatever refers into the contents, before they are read anew.
    virtual void DeleteContents() {}
    // True after a load failed part way: the contents are gone and the document starts over.
    bool StartsOver() const { return m_bStartOver; }

    // Saves to path, or asks for a name first when path is empty. False when cancelled or failed.
    // Before writing over the file the document was read from, it checks that nobody wrote it
    // since; if someone did, the user chooses another name, overwriting, or not saving.
    bool DoSave(const std::string& path);
    // What the file held when the document read or last wrote it (unknown for a new one).
    const FileStamp& DiskStamp() const { return m_diskStamp; }
    // Takes the document's file as it is on disk now as the one it was read from: edits kept
    // aside (a recovery copy) are put back onto it.
    void StampOwnFile();

    // Unsaved edits. Every edit sets the flag; a new, opened or saved document clears it.
    // The frame hears of each change: Windows is told why the session should not end yet.
    void SetModifiedFlag(bool modified = true);
    bool IsModified() const { return m_bModified; }
    // Before unsaved edits would be lost: asks whether to save them first. False when the
    // user cancels or the save fails (the edits are then kept).
    virtual bool SaveModified();

    // Writes the contents to path (safely, as a save does) without making it the document's
    // file or clearing the flag: a recovery copy. False with error when it failed.
    bool SaveCopy(const std::string& path, std::string& error);

    const std::string& GetPathName() const { return m_strPathName; }
    // A full path: the title becomes its file name; with addToRecent it joins the recent files.
    void SetPathName(const std::string& path, bool addToRecent = true);
    const std::string& GetTitle() const { return m_strTitle; }
    void SetTitle(const std::string& title);

    bool OnCmdMsg(unsigned id, CCmdUI* ui) override;

    CSingleDocTemplate* m_pDocTemplate = nullptr;

  protected:
    std::string m_strPathName;
    std::string m_strTitle;
    bool m_bStartOver = false;
    bool m_bModified = false;

  private:
    // Whether target is the document's own file and it changed on disk since it was read or
    // written here: asks what to do. False: the user chose not to write over it.
    enum class Overwrite { kGo, kSaveAs, kCancel };
    Overwrite CheckDiskFile(const std::string& target);

    std::vector<CView*> m_views;
    FileStamp m_diskStamp;
};
