// Drag and drop through OLE: a window registered as a drop target hands the drag to its
// client, and a drag is started from a data source.
#pragma once

#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <ole2.h>

#include <functional>

#include "win/Handles.h"

// What a window does with a drag over it. Points are in the window's client coordinates.
class IDropClient {
  public:
    virtual ~IDropClient() = default;
    // The effect the drop would have now (DROPEFFECT_NONE to refuse).
    virtual DWORD OnDragOver(IDataObject* data, DWORD keyState, POINT point) = 0;
    virtual void OnDragLeave() = 0;
    // Takes the data; false refuses the drop.
    virtual bool OnDrop(IDataObject* data, DWORD effect, POINT point) = 0;
    // Called before each drag-over: scrolls at the edges. DROPEFFECT_SCROLL when it scrolled,
    // DROPEFFECT_NONE to let OnDragOver decide.
    virtual DWORD OnDragScroll(DWORD keyState, POINT point) {
        (void)keyState;
        (void)point;
        return DROPEFFECT_NONE;
    }
};

// Registers a window as a drop target for the scope (until Revoke or destruction).
class CDropTargetRegistration {
  public:
    CDropTargetRegistration() = default;
    CDropTargetRegistration(const CDropTargetRegistration&) = delete;
    CDropTargetRegistration& operator=(const CDropTargetRegistration&) = delete;
    ~CDropTargetRegistration() { Revoke(); }

    bool Register(HWND hwnd, IDropClient* client);
    void Revoke();

  private:
    HWND m_hWnd = nullptr;
    ComPtr<IDropTarget> m_target;
};

// Runs a drag of data with the allowed effects until the user drops or cancels; returns the
// effect of the drop, DROPEFFECT_NONE when cancelled or refused. Tests replace the drag
// itself with the hook (the user's mouse is not theirs to move).
DWORD DoDragDrop(IDataObject* data, DWORD allowedEffects);
extern std::function<DWORD(IDataObject* data, DWORD allowedEffects)> g_dragDropHook;
