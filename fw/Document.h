// A document: its path, its title, and the save commands of the document cycle.
#pragma once

#include <string>

#include "fw/CmdTarget.h"

class CArchive;
class CSingleDocTemplate;

class CDocument : public CCmdTarget {
  public:
    ~CDocument() override = default;

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
    bool DoSave(const std::string& path);

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
};
