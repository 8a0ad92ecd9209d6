// Owners of Win32 handles and COM pointers: each frees what it holds on every path, exceptions
// included. This is the one place where handles are closed and interfaces released by hand.
#pragma once

#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <commctrl.h>
#include <objbase.h>
#include <ole2.h>
#include <shellapi.h>
#include <shtypes.h>
#include <wrl/client.h>

#include <atomic>

using Microsoft::WRL::ComPtr;

// A handle with one owner. Traits give the handle type, its empty value and how to close it.
template <typename Traits>
class CUniqueHandle {
  public:
    using Handle = typename Traits::Handle;

    CUniqueHandle() = default;
    explicit CUniqueHandle(Handle handle) : m_handle(handle) {}
    CUniqueHandle(CUniqueHandle&& other) noexcept : m_handle(other.Detach()) {}
    CUniqueHandle& operator=(CUniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Detach());
        return *this;
    }
    CUniqueHandle(const CUniqueHandle&) = delete;
    CUniqueHandle& operator=(const CUniqueHandle&) = delete;
    ~CUniqueHandle() { Reset(); }

    Handle Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != Traits::Empty(); }
    // Closes what is held and takes handle.
    void Reset(Handle handle = Traits::Empty()) {
        if (m_handle != Traits::Empty()) Traits::Close(m_handle);
        m_handle = handle;
    }
    // Gives the handle up without closing it.
    Handle Detach() {
        Handle handle = m_handle;
        m_handle = Traits::Empty();
        return handle;
    }
    // For functions that return a handle through a pointer; what was held is closed first.
    Handle* Put() {
        Reset();
        return &m_handle;
    }

  private:
    Handle m_handle = Traits::Empty();
};

namespace handle_traits {
template <typename T>
struct Gdi {
    using Handle = T;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { DeleteObject(h); }
};
struct Icon {
    using Handle = HICON;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { DestroyIcon(h); }
};
struct ImageList {
    using Handle = HIMAGELIST;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { ImageList_Destroy(h); }
};
struct Menu {
    using Handle = HMENU;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { DestroyMenu(h); }
};
struct RegKey {
    using Handle = HKEY;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { RegCloseKey(h); }
};
// Threads, events, processes: empty is null.
struct Kernel {
    using Handle = HANDLE;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { CloseHandle(h); }
};
// Files: CreateFile's failure is INVALID_HANDLE_VALUE.
struct File {
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { CloseHandle(h); }
};
struct Find {
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { FindClose(h); }
};
struct Global {
    using Handle = HGLOBAL;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { GlobalFree(h); }
};
// What FormatMessage and the security functions allocate.
struct Local {
    using Handle = HLOCAL;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { LocalFree(h); }
};
// The shell's file drop of WM_DROPFILES; the receiver finishes it.
struct Drop {
    using Handle = HDROP;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { DragFinish(h); }
};
// Memory of the COM task allocator that a call hands over: item id lists, shell strings.
template <typename T>
struct CoTaskMem {
    using Handle = T*;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { CoTaskMemFree(const_cast<void*>(static_cast<const void*>(h))); }
};
}  // namespace handle_traits

using CUniqueBitmap = CUniqueHandle<handle_traits::Gdi<HBITMAP>>;
using CUniqueFont = CUniqueHandle<handle_traits::Gdi<HFONT>>;
using CUniqueBrush = CUniqueHandle<handle_traits::Gdi<HBRUSH>>;
using CUniquePen = CUniqueHandle<handle_traits::Gdi<HPEN>>;
using CUniqueRgn = CUniqueHandle<handle_traits::Gdi<HRGN>>;
using CUniqueIcon = CUniqueHandle<handle_traits::Icon>;
using CUniqueImageList = CUniqueHandle<handle_traits::ImageList>;
using CUniqueMenu = CUniqueHandle<handle_traits::Menu>;
using CUniqueKey = CUniqueHandle<handle_traits::RegKey>;
using CUniqueKernelHandle = CUniqueHandle<handle_traits::Kernel>;
using CUniqueFile = CUniqueHandle<handle_traits::File>;
using CUniqueFind = CUniqueHandle<handle_traits::Find>;
using CUniqueGlobal = CUniqueHandle<handle_traits::Global>;
using CUniqueLocal = CUniqueHandle<handle_traits::Local>;
using CUniqueDrop = CUniqueHandle<handle_traits::Drop>;
template <typename T>
using CUniqueCoTaskMem = CUniqueHandle<handle_traits::CoTaskMem<T>>;
using CUniqueIdList = CUniqueCoTaskMem<ITEMIDLIST_ABSOLUTE>;

// A storage medium filled in by IDataObject::GetData; released with whatever it holds.
class CStgMedium {
  public:
    CStgMedium() = default;
    ~CStgMedium() { Reset(); }
    CStgMedium(const CStgMedium&) = delete;
    CStgMedium& operator=(const CStgMedium&) = delete;
    STGMEDIUM* operator->() { return &m_medium; }
    const STGMEDIUM& Get() const { return m_medium; }
    // For GetData; what was held is released first.
    STGMEDIUM* Put() {
        Reset();
        return &m_medium;
    }
    void Reset() {
        if (m_medium.tymed != TYMED_NULL) ReleaseStgMedium(&m_medium);
        m_medium = STGMEDIUM{};
    }

  private:
    STGMEDIUM m_medium{};
};

// A window's (or, with null, the screen's) device context for the scope.
class CClientDC {
  public:
    explicit CClientDC(HWND hwnd) : m_hwnd(hwnd), m_dc(GetDC(hwnd)) {}
    ~CClientDC() {
        if (m_dc) ReleaseDC(m_hwnd, m_dc);
    }
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;
    operator HDC() const { return m_dc; }

  private:
    HWND m_hwnd;
    HDC m_dc;
};

// BeginPaint and EndPaint around WM_PAINT.
class CPaintDC {
  public:
    explicit CPaintDC(HWND hwnd) : m_hwnd(hwnd), m_dc(BeginPaint(hwnd, &m_ps)) {}
    ~CPaintDC() { EndPaint(m_hwnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    operator HDC() const { return m_dc; }
    const PAINTSTRUCT& Paint() const { return m_ps; }

  private:
    HWND m_hwnd;
    PAINTSTRUCT m_ps{};
    HDC m_dc;
};

// A compatible memory DC, deleted at the end of the scope.
class CMemoryDC {
  public:
    explicit CMemoryDC(HDC compatible) : m_dc(CreateCompatibleDC(compatible)) {}
    ~CMemoryDC() {
        if (m_dc) DeleteDC(m_dc);
    }
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;
    operator HDC() const { return m_dc; }

  private:
    HDC m_dc;
};

// Selects an object into a DC and puts the previous one back at the end of the scope.
class CSelectObject {
  public:
    CSelectObject(HDC dc, HGDIOBJ object) : m_dc(dc), m_old(SelectObject(dc, object)) {}
    ~CSelectObject() {
        if (m_old && m_old != HGDI_ERROR) SelectObject(m_dc, m_old);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

  private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// Global memory locked for the scope.
class CGlobalLock {
  public:
    explicit CGlobalLock(HGLOBAL memory) : m_memory(memory), m_data(GlobalLock(memory)) {}
    ~CGlobalLock() {
        if (m_data) GlobalUnlock(m_memory);
    }
    CGlobalLock(const CGlobalLock&) = delete;
    CGlobalLock& operator=(const CGlobalLock&) = delete;
    void* Data() const { return m_data; }
    SIZE_T Size() const { return m_data ? GlobalSize(m_memory) : 0; }

  private:
    HGLOBAL m_memory;
    void* m_data;
};

// The clipboard, open for the scope. Check IsOpen: another program may hold it.
class CClipboard {
  public:
    explicit CClipboard(HWND owner) : m_open(OpenClipboard(owner) != FALSE) {}
    ~CClipboard() {
        if (m_open) CloseClipboard();
    }
    CClipboard(const CClipboard&) = delete;
    CClipboard& operator=(const CClipboard&) = delete;
    bool IsOpen() const { return m_open; }

  private:
    bool m_open;
};

// COM for the scope of a thread (or a test); uninitialised only when this call initialised it.
class CComInit {
  public:
    explicit CComInit(DWORD model = COINIT_APARTMENTTHREADED)
        : m_hr(CoInitializeEx(nullptr, model | COINIT_DISABLE_OLE1DDE)) {}
    ~CComInit() {
        if (SUCCEEDED(m_hr)) CoUninitialize();
    }
    CComInit(const CComInit&) = delete;
    CComInit& operator=(const CComInit&) = delete;
    HRESULT Result() const { return m_hr; }

  private:
    HRESULT m_hr;
};

// The IUnknown of an object of ours that implements the COM interfaces listed: reference
// counted, deleted at the last Release, answering QueryInterface for IUnknown and each of them.
// A new object has no reference yet: hand it straight to a ComPtr, which takes the first one
// (ComPtr<IDropTarget> target(new CDropTarget)). Not Attach: mingw's ComPtr::Attach adds a
// reference where Microsoft's does not.
template <typename... Interfaces>
class CUnknown : public Interfaces... {
  public:
    CUnknown() = default;
    CUnknown(const CUnknown&) = delete;
    CUnknown& operator=(const CUnknown&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid == __uuidof(IUnknown)) {
            *object = static_cast<IUnknown*>(static_cast<First*>(this));
        } else {
            (Match<Interfaces>(iid, object) || ...);
        }
        if (!*object) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG refs = --m_refs;
        if (refs == 0) delete this;
        return refs;
    }

  protected:
    virtual ~CUnknown() = default;

  private:
    template <typename First0, typename...>
    struct FirstOf {
        using Type = First0;
    };
    using First = typename FirstOf<Interfaces...>::Type;

    template <typename Interface>
    bool Match(REFIID iid, void** object) {
        if (iid != __uuidof(Interface)) return false;
        *object = static_cast<Interface*>(this);
        return true;
    }

    std::atomic<ULONG> m_refs{0};
};
