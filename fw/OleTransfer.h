// Moving data through OLE: a data source that offers blocks of global memory under clipboard
// formats, reading a format from any data object, and the OLE clipboard.
#pragma once

#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <ole2.h>

#include <string>
#include <vector>

#include "win/Handles.h"

// A data object offering one global memory block per format, for the clipboard or a drag.
// It owns its blocks and hands out copies, so every reader gets a block of its own.
class CDataSource : public CUnknown<IDataObject> {
  public:
    // Takes the block; it is offered as format from now on.
    void CacheGlobalData(UINT format, CUniqueGlobal block);

    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP QueryGetData(FORMATETC* format) override;
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
    STDMETHODIMP SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
    STDMETHODIMP EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) override;
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override;
    STDMETHODIMP DUnadvise(DWORD) override;
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override;

  private:
    struct Entry {
        UINT format;
        CUniqueGlobal block;
    };
    const Entry* Find(const FORMATETC* format) const;
    std::vector<Entry> m_entries;
};

// A shareable global block holding bytes followed by one zero byte.
CUniqueGlobal MakeGlobalText(const std::string& bytes);

// True when data offers format as global memory.
bool DataOffers(IDataObject* data, UINT format);
// The bytes of data's global block for format (its whole size); false when not offered.
bool GetGlobalBytes(IDataObject* data, UINT format, std::string& bytes);

// Puts data on the clipboard, which holds it from then on.
bool SetClipboardData(IDataObject* data);
// What the clipboard holds, or null.
ComPtr<IDataObject> GetClipboardData();
bool ClipboardOffers(UINT format);
