#include "fw/SingleDocTemplate.h"

#include "fw/Document.h"
#include "fw/FrameWnd.h"
#include "fw/Ids.h"
#include "fw/WinApp.h"

std::string DocStringField(const std::string& docStrings, int index) {
    std::size_t start = 0;
    for (int i = 0; i < index; ++i) {
        std::size_t newline = docStrings.find('\n', start);
        if (newline == std::string::npos) return {};
        start = newline + 1;
    }
    std::size_t end = docStrings.find('\n', start);
    return docStrings.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

CSingleDocTemplate::CSingleDocTemplate(unsigned resourceId, DocumentFactory makeDocument,
                                       FrameFactory makeFrame)
    : m_resourceId(resourceId),
      m_docStrings(LoadResourceString(resourceId)),
      m_makeDocument(std::move(makeDocument)),
      m_makeFrame(std::move(makeFrame)) {}

CSingleDocTemplate::~CSingleDocTemplate() {
    CloseAll();
}

void CSingleDocTemplate::CloseAll() {
    // The views refer to the document, so the windows go first.
    if (m_frame && m_frame->m_hWnd) m_frame->DestroyWindow();
    m_frame.reset();
    m_document.reset();
}

std::string CSingleDocTemplate::GetDocString(int index) const {
    return DocStringField(m_docStrings, index);
}

void CSingleDocTemplate::SetDefaultTitle(CDocument* doc) {
    std::string title = GetDocString(docName);
    if (title.empty()) title = LoadResourceString(AFX_IDS_UNTITLED);
    doc->SetTitle(title);
}

bool CSingleDocTemplate::CreateDocumentAndFrame() {
    m_document = m_makeDocument();
    m_document->m_pDocTemplate = this;
    m_frame = m_makeFrame();
    if (!m_frame->LoadFrame(m_resourceId, m_document.get())) {
        m_frame.reset();
        m_document.reset();
        return false;
    }
    return true;
}

bool CSingleDocTemplate::RestoreDocument(const std::string& copy) {
    CDocument* doc = m_document.get();
    if (!doc || !m_frame) return false;
    if (!doc->OnOpenDocument(copy)) {
        if (doc->StartsOver()) {
            // Reading failed part way: the document's own file is read again.
            const std::string path = doc->GetPathName();
            bool read = false;
            if (!path.empty()) read = doc->OnOpenDocument(path);
            if (!read) {
                SetDefaultTitle(doc);
                doc->OnNewDocument();
            }
            m_frame->InitialUpdateFrame(doc, true);
        }
        return false;
    }
    m_frame->InitialUpdateFrame(doc, true);
    // What the copy holds goes onto the collection as it is now, not onto the copy.
    doc->StampOwnFile();
    doc->SetModifiedFlag(true);
    return true;
}

CDocument* CSingleDocTemplate::OpenDocumentFile(const std::string& path, bool makeVisible) {
    bool created = false;
    if (!m_document) {
        if (!CreateDocumentAndFrame()) return nullptr;
        created = true;
    }
    CDocument* doc = m_document.get();
    // The edits of the collection open now would be lost.
    if (!created && !doc->SaveModified()) return nullptr;
    if (path.empty()) {
        SetDefaultTitle(doc);
        if (!doc->OnNewDocument()) {
            if (created) CloseAll();
            return nullptr;
        }
    } else {
        if (!doc->OnOpenDocument(path)) {
            if (created) {
                CloseAll();  // a frame made just for this document goes again
            } else if (doc->StartsOver()) {
                // Reading failed part way: what was read is no collection to keep.
                SetDefaultTitle(doc);
                if (doc->OnNewDocument()) m_frame->InitialUpdateFrame(doc, makeVisible);
            }
            return nullptr;
        }
        doc->SetPathName(path);
    }
    m_frame->InitialUpdateFrame(doc, makeVisible);
    return doc;
}
