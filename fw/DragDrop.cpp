#include "fw/DragDrop.h"

#include "fw/Wnd.h"
#include "win/MessageFilter.h"

std::function<DWORD(IDataObject*, DWORD)> g_dragDropHook;

namespace {

// Hands the system's drop-target calls to the window's client, in client coordinates.
class CDropTarget : public CUnknown<IDropTarget> {
  public:
    CDropTarget(HWND hwnd, IDropClient* client) : m_hWnd(hwnd), m_client(client) {}

    STDMETHODIMP DragEnter(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) override {
        m_data = data;
        return DragOver(keys, pt, effect);
    }
    STDMETHODIMP DragOver(DWORD keys, POINTL pt, DWORD* effect) override {
        if (!effect) return E_INVALIDARG;
        DWORD allowed = *effect;
        CallGuarded([&] {
            POINT point = ToClient(pt);
            DWORD scroll = m_client->OnDragScroll(keys, point);
            if (scroll & DROPEFFECT_SCROLL) {
                *effect = scroll;
                return;
            }
            *effect = m_client->OnDragOver(m_data.Get(), keys, point) & allowed;
        });
        return S_OK;
    }
    STDMETHODIMP DragLeave() override {
        CallGuarded([&] { m_client->OnDragLeave(); });
        m_data.Reset();
        return S_OK;
    }
    STDMETHODIMP Drop(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) override {
        if (!effect) return E_INVALIDARG;
        DWORD allowed = *effect;
        m_data = data;
        DWORD result = DROPEFFECT_NONE;
        CallGuarded([&] {
            POINT point = ToClient(pt);
            DWORD wanted = m_client->OnDragOver(data, keys, point) & allowed;
            if (wanted != DROPEFFECT_NONE && m_client->OnDrop(data, wanted, point))
                result = wanted;
            else
                m_client->OnDragLeave();
        });
        m_data.Reset();
        *effect = result;
        return S_OK;
    }

  private:
    POINT ToClient(POINTL pt) const {
        POINT point{pt.x, pt.y};
        ScreenToClient(m_hWnd, &point);
        return point;
    }
    HWND m_hWnd;
    IDropClient* m_client;
    ComPtr<IDataObject> m_data;
};

// Ends the drag when the button comes up, cancels it on Escape.
class CDropSource : public CUnknown<IDropSource> {
  public:
    STDMETHODIMP QueryContinueDrag(BOOL escape, DWORD keys) override {
        if (escape) return DRAGDROP_S_CANCEL;
        if (!(keys & (MK_LBUTTON | MK_RBUTTON))) return DRAGDROP_S_DROP;
        return S_OK;
    }
    STDMETHODIMP GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

}  // namespace

bool CDropTargetRegistration::Register(HWND hwnd, IDropClient* client) {
    Revoke();
    ComPtr<IDropTarget> target(new CDropTarget(hwnd, client));
    if (FAILED(RegisterDragDrop(hwnd, target.Get()))) return false;
    AllowDroppedFilesFromLowerPrograms(hwnd);
    m_hWnd = hwnd;
    m_target = target;
    return true;
}

void CDropTargetRegistration::Revoke() {
    if (m_hWnd) RevokeDragDrop(m_hWnd);
    m_hWnd = nullptr;
    m_target.Reset();
}

DWORD DoDragDrop(IDataObject* data, DWORD allowedEffects) {
    if (g_dragDropHook) return g_dragDropHook(data, allowedEffects);
    ComPtr<IDropSource> source(new CDropSource);
    DWORD effect = DROPEFFECT_NONE;
    HRESULT hr = ::DoDragDrop(data, source.Get(), allowedEffects, &effect);
    return hr == DRAGDROP_S_DROP ? effect : DROPEFFECT_NONE;
}
