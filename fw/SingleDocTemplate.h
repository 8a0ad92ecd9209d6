// The single-document template: one document and one frame, reused for every new or
// opened collection. Its template string holds seven fields separated by "\n".
#pragma once

#include <functional>
#include <memory>
#include <string>

class CDocument;
class CFrameWnd;

class CSingleDocTemplate {
  public:
    enum DocStringIndex {
        windowTitle,
        docName,
        fileNewName,
        filterName,
        filterExt,
        regFileTypeId,
        regFileTypeName
    };
    using DocumentFactory = std::function<std::unique_ptr<CDocument>()>;
    using FrameFactory = std::function<std::unique_ptr<CFrameWnd>()>;

    CSingleDocTemplate(unsigned resourceId, DocumentFactory makeDocument, FrameFactory makeFrame);
    ~CSingleDocTemplate();

    std::string GetDocString(int index) const;
    // Empty path: a new document. Returns null when it failed (the user has been told).
    CDocument* OpenDocumentFile(const std::string& path, bool makeVisible = true);
    void SetDefaultTitle(CDocument* doc);
    // Reads copy into the open document, which keeps its path and title and becomes modified:
    // a save writes the contents to the document's own file. False when copy cannot be read
    // (the user has been told); the document is then as it was, read again if need be.
    bool RestoreDocument(const std::string& copy);

    CDocument* GetDocument() const { return m_document.get(); }
    CFrameWnd* GetFrame() const { return m_frame.get(); }
    unsigned GetResourceId() const { return m_resourceId; }
    // Destroys the frame's window and then the document.
    void CloseAll();

  private:
    bool CreateDocumentAndFrame();

    unsigned m_resourceId;
    std::string m_docStrings;
    DocumentFactory m_makeDocument;
    FrameFactory m_makeFrame;
    std::unique_ptr<CDocument> m_document;
    std::unique_ptr<CFrameWnd> m_frame;
};

// Field index of a template string; empty when the string has fewer fields.
std::string DocStringField(const std::string& docStrings, int index);
