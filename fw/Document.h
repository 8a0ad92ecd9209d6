// A document: its path, its title, and the save commands of the document cycle.
#pragma once

#include <string>

#include "fw/CmdTarget.h"

class CSingleDocTemplate;

class CDocument : public CCmdTarget {
public:
    ~CDocument() override = default;

    // Starts an empty, untitled document.
    virtual bool OnNewDocument();
    // Loads path. On false the document is as it was and the user has been told why.
    virtual bool OnOpenDocument(const std::string& path) = 0;
    // Writes path. On false nothing was damaged and the user has been told why.
    virtual bool OnSaveDocument(const std::string& path) = 0;

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
};
