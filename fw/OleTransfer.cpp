#include "fw/OleTransfer.h"

#include <shlobj.h>

#include <cstring>

void CDataSource::CacheGlobalData(UINT format, CUniqueGlobal block) {
    for (Entry& entry : m_entries) {
        if (entry.format == format) {
            entry.block = std::move(block);
            return;
        }
    }
    m_entries.push_back(Entry{format, std::move(block)});
}

const CDataSource::Entry* CDataSource::Find(const FORMATETC* format) const {
    if (!format || !(format->tymed & TYMED_HGLOBAL) || format->lindex != -1) return nullptr;
    if (format->dwAspect != DVASPECT_CONTENT) return nullptr;
    for (const Entry& entry : m_entries) {
        if (entry.format == format->cfFormat && entry.block) return &entry;
    }
    return nullptr;
}

STDMETHODIMP CDataSource::GetData(FORMATETC* format, STGMEDIUM* medium) {
    if (!medium) return E_POINTER;
    const Entry* entry = Find(format);
    if (!entry) return DV_E_FORMATETC;
    HGLOBAL copy = static_cast<HGLOBAL>(OleDuplicateData(entry->block.Get(), entry->format, 0));
    if (!copy) return E_OUTOFMEMORY;
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = copy;
    medium->pUnkForRelease = nullptr;
    return S_OK;
}

STDMETHODIMP CDataSource::GetDataHere(FORMATETC*, STGMEDIUM*) {
    return E_NOTIMPL;
}

STDMETHODIMP CDataSource::QueryGetData(FORMATETC* format) {
    return Find(format) ? S_OK : DV_E_FORMATETC;
}

STDMETHODIMP CDataSource::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
    if (out) out->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
}

STDMETHODIMP CDataSource::SetData(FORMATETC*, STGMEDIUM*, BOOL) {
    return E_NOTIMPL;
}

STDMETHODIMP CDataSource::EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) {
    if (!formats) return E_POINTER;
    *formats = nullptr;
    if (direction != DATADIR_GET) return E_NOTIMPL;
    std::vector<FORMATETC> list;
    for (const Entry& entry : m_entries) {
        list.push_back(FORMATETC{static_cast<CLIPFORMAT>(entry.format), nullptr, DVASPECT_CONTENT,
                                 -1, TYMED_HGLOBAL});
    }
    return SHCreateStdEnumFmtEtc(static_cast<UINT>(list.size()), list.data(), formats);
}

STDMETHODIMP CDataSource::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) {
    return OLE_E_ADVISENOTSUPPORTED;
}

STDMETHODIMP CDataSource::DUnadvise(DWORD) {
    return OLE_E_ADVISENOTSUPPORTED;
}

STDMETHODIMP CDataSource::EnumDAdvise(IEnumSTATDATA**) {
    return OLE_E_ADVISENOTSUPPORTED;
}

CUniqueGlobal MakeGlobalText(const std::string& bytes) {
    CUniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE | GMEM_ZEROINIT, bytes.size() + 1));
    if (!block) return block;
    {
        CGlobalLock lock(block.Get());
        if (!lock.Data()) return CUniqueGlobal();
        std::memcpy(lock.Data(), bytes.data(), bytes.size());
    }
    return block;
}

bool DataOffers(IDataObject* data, UINT format) {
    if (!data) return false;
    FORMATETC query{static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    return data->QueryGetData(&query) == S_OK;
}

bool GetGlobalBytes(IDataObject* data, UINT format, std::string& bytes) {
    if (!data) return false;
    FORMATETC query{static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    CStgMedium medium;
    if (FAILED(data->GetData(&query, medium.Put()))) return false;
    if (medium->tymed != TYMED_HGLOBAL || !medium->hGlobal) return false;
    // The block's size bounds the read: a sender's text need not end in a zero byte.
    CGlobalLock lock(medium->hGlobal);
    if (!lock.Data()) return false;
    bytes.assign(static_cast<const char*>(lock.Data()), lock.Size());
    return true;
}

bool SetClipboardData(IDataObject* data) {
    // Another program (a clipboard manager, a remote session) may hold the clipboard open for
    // a moment: try again for about half a second before giving up.
    HRESULT hr = OleSetClipboard(data);
    for (int i = 0; hr == CLIPBRD_E_CANT_OPEN && i < 10; ++i) {
        Sleep(50);
        hr = OleSetClipboard(data);
    }
    return SUCCEEDED(hr);
}

ComPtr<IDataObject> GetClipboardData() {
    ComPtr<IDataObject> data;
    if (FAILED(OleGetClipboard(&data))) data.Reset();
    return data;
}

bool ClipboardOffers(UINT format) {
    return IsClipboardFormatAvailable(format) != 0;
}
