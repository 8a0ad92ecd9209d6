#include "views/ImageHtmlView.h"

#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <commctrl.h>

#include <algorithm>
#include <unordered_set>

#include "doc/PelorandDoc.h"
#include "fw/Dpi.h"
#include "model/Mbcs.h"
#include "views/ImageDecoder.h"
#include "views/PageFile.h"
#include "win/Strconv.h"

namespace {
const char kPageViewClass[] = "PelorandPageView";
constexpr int kLineStep = 20;

// A page given as a wallpaper: no picture to decode, shown as the shell shows the file.
bool IsDocument(const std::string& path) {
    const std::string extension = mbcs::ToLower(mbcs::Extension(path));
    return extension == ".htm" || extension == ".html";
}
}  // namespace

CImageHtmlView::CImageHtmlView()
    : m_decoder(std::make_unique<CImageDecoder>(*this, kDecodedMessage)),
      m_pageReader(std::make_unique<CWorker>(*this)) {}

CImageHtmlView::~CImageHtmlView() = default;

CPelorandDoc* CImageHtmlView::GetDocument() const {
    return static_cast<CPelorandDoc*>(m_pDocument);
}

bool CImageHtmlView::Create(HWND parent, UINT id, const SIZE& size, CDocument* doc) {
    SetDocument(doc);
    // Redrawn whole at every size: the page flows its thumbnails to the width.
    RegisterClassOnce(kPageViewClass, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW,
                      LoadCursor(nullptr, IDC_ARROW), reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    if (!CreateEx(kDefaultExStyle, kPageViewClass, "",
                  kDefaultStyle | WS_VSCROLL | WS_HSCROLL | WS_CLIPCHILDREN, 0, 0, size.cx, size.cy,
                  parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)))) {
        return false;
    }
    UpdateScrollBars();
    m_toolTip.Create(m_hWnd);  // without it the pane still works, untipped
    return m_decoder->Start();
}

void CImageHtmlView::OnInitialUpdate() {
    // The page it shows, if any, stays.
}

void CImageHtmlView::OnUpdate(CView*, const CUpdateHint& hint) {
    const auto* update = dynamic_cast<const DocUpdate*>(&hint);
    if (update && update->kind == kHintPageReady) Navigate(update->page);
}

const std::string& CImageHtmlView::GetLocation() const {
    return m_history.CurrentPath();
}

void CImageHtmlView::Navigate(const std::string& path) {
    Show(m_history.Navigate(path, m_scroll.x, m_scroll.y));
}

bool CImageHtmlView::GoBack() {
    const CPageHistory::Step* step = m_history.Back(m_scroll.x, m_scroll.y);
    if (step) Show(*step);
    return step != nullptr;
}

bool CImageHtmlView::GoForward() {
    const CPageHistory::Step* step = m_history.Forward(m_scroll.x, m_scroll.y);
    if (step) Show(*step);
    return step != nullptr;
}

void CImageHtmlView::Clear() {
    m_content = Content::Nothing;
    m_items.clear();
    m_keys.clear();
    m_isDocument.clear();
    m_layout = PageLayout();
    m_pictureKey.clear();
    m_picture.Reset();
    m_pictureSize = SIZE{0, 0};
    m_pictureBroken = false;
    m_hover = m_pressed = -1;
    m_scroll = POINT{0, 0};
    m_decoder->SetWanted({});
}

// A page or picture read on the reader thread: a page of many thousands of thumbnails takes a
// while to read and parse, and the window (and whoever waits in its message loop) must not.
struct CImageHtmlView::PageRead {
    unsigned ticket = 0;
    FileKind kind = FileKind::Unreadable;
    std::vector<PageItem> items;
    std::vector<std::string> keys;
};

void CImageHtmlView::Show(const CPageHistory::Step& step) {
    Clear();
    m_pendingScroll = POINT{step.scrollX, step.scrollY};
    m_loading = true;
    const unsigned ticket = ++m_ticket;
    const std::string path = step.path;
    const bool started = m_pageReader && m_pageReader->Start([path, ticket](CWorkerJob& worker) {
        auto read = std::make_unique<PageRead>();
        read->ticket = ticket;
        // A newer step stops this one at once: the window waits for it before starting that.
        read->kind = ReadPageFile(path, read->items, [&worker] { return worker.CancelRequested(); });
        if (read->kind == FileKind::Page) {
            read->keys.reserve(read->items.size());
            for (const PageItem& item : read->items) {
                read->keys.push_back(
                    DecodeRequest{item.src, item.sizes.width, item.sizes.height}.Key());
            }
        }
        worker.Post(kPageReadMessage, std::move(read));
    });
    if (!started) m_loading = false;
    UpdateScrollBars();
    UpdateToolTip(POINT{-1, -1});
    if (m_hWnd) InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CImageHtmlView::OnPageRead(std::unique_ptr<PageRead> read) {
    if (!read || read->ticket != m_ticket) return;  // superseded by a later step
    m_loading = false;
    switch (read->kind) {
        case FileKind::Page:
            m_content = Content::Page;
            m_items = std::move(read->items);
            m_keys = std::move(read->keys);
            m_isDocument.assign(m_items.size(), false);
            for (std::size_t i = 0; i < m_items.size(); ++i)
                m_isDocument[i] = IsDocument(m_items[i].src);
            Relayout();
            break;
        case FileKind::Other: {
            m_content = Content::Picture;
            DecodeRequest request{GetLocation(), 0, 0};
            m_pictureKey = request.Key();
            m_decoder->SetWanted({request});
            break;
        }
        case FileKind::NotPage:
        case FileKind::Unreadable:
            break;  // shows nothing
    }
    m_scroll = m_pendingScroll;
    UpdateScrollBars();
    RequestDecodes();
    UpdateToolTip(POINT{-1, -1});
    if (m_hWnd) InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CImageHtmlView::Relayout() {
    if (m_content != Content::Page) return;
    const RECT client = GetClientRect();
    // The pane's own margin grows with the screen's DPI; the pictures keep the page's sizes.
    m_layout = LayoutThumbnails(m_items, client.right - client.left,
                                ScaleForDpi(PageLayout::kMargin, WindowDpi(m_hWnd)));
}

SIZE CImageHtmlView::ContentSize() const {
    switch (m_content) {
        case Content::Page:
            return SIZE{m_layout.width, m_layout.height};
        case Content::Picture:
            return m_pictureSize;
        case Content::Nothing:
            break;
    }
    return SIZE{0, 0};
}

void CImageHtmlView::UpdateScrollBars() {
    if (!m_hWnd) return;
    const RECT client = GetClientRect();
    const SIZE content = ContentSize();
    const int page[2] = {client.right - client.left, client.bottom - client.top};
    const int extent[2] = {content.cx, content.cy};
    LONG* position[2] = {&m_scroll.x, &m_scroll.y};
    const int bars[2] = {SB_HORZ, SB_VERT};
    for (int i = 0; i < 2; ++i) {
        const int most = std::max(0, extent[i] - page[i]);
        *position[i] = std::max(0, std::min<int>(*position[i], most));
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        info.nMin = 0;
        info.nMax = std::max(0, extent[i] - 1);
        info.nPage = static_cast<UINT>(std::max(0, page[i]));
        info.nPos = *position[i];
        SetScrollInfo(m_hWnd, bars[i], &info, TRUE);
    }
}

void CImageHtmlView::ScrollTo(int x, int y) {
    const RECT client = GetClientRect();
    const SIZE content = ContentSize();
    x = std::max(0, std::min<int>(x, content.cx - (client.right - client.left)));
    y = std::max(0, std::min<int>(y, content.cy - (client.bottom - client.top)));
    if (x == m_scroll.x && y == m_scroll.y) return;
    m_scroll = POINT{x, y};
    SetScrollPos(m_hWnd, SB_HORZ, x, TRUE);
    SetScrollPos(m_hWnd, SB_VERT, y, TRUE);
    m_hover = -1;
    UpdateToolTip(POINT{-1, -1});
    RequestDecodes();
    InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CImageHtmlView::Scroll(int bar, int code) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    GetScrollInfo(m_hWnd, bar, &info);
    int pos = info.nPos;
    const int page = static_cast<int>(info.nPage);
    switch (code) {
        case SB_LINEUP:
            pos -= ScaleForDpi(kLineStep, WindowDpi(m_hWnd));
            break;
        case SB_LINEDOWN:
            pos += ScaleForDpi(kLineStep, WindowDpi(m_hWnd));
            break;
        case SB_PAGEUP:
            pos -= page;
            break;
        case SB_PAGEDOWN:
            pos += page;
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            pos = info.nTrackPos;
            break;
        case SB_TOP:
            pos = 0;
            break;
        case SB_BOTTOM:
            pos = info.nMax;
            break;
        default:
            return;
    }
    if (bar == SB_VERT) {
        ScrollTo(m_scroll.x, pos);
    } else {
        ScrollTo(pos, m_scroll.y);
    }
}

int CImageHtmlView::HitTest(POINT client) const {
    if (m_content != Content::Page) return -1;
    return HitTestThumbnail(m_layout, client.x + m_scroll.x, client.y + m_scroll.y);
}

std::string CImageHtmlView::ToolTipTextAt(POINT client) const {
    const int item = HitTest(client);
    return item < 0 ? std::string() : m_items[item].alt;
}

void CImageHtmlView::UpdateToolTip(POINT client) {
    if (!m_toolTip) return;
    const int item = HitTest(client);
    if (item == m_hover && client.x >= 0) return;
    m_hover = item;
    m_toolTip.SetToolRect(item >= 0 ? PageToWindow(m_layout.borders[item], m_scroll) : RECT{});
}

CImageHtmlView::Thumb CImageHtmlView::GetThumbState(int item) const {
    if (item < 0 || static_cast<std::size_t>(item) >= m_keys.size()) return Thumb::Waiting;
    if (m_isDocument[item]) return Thumb::Icon;
    const CachedThumbnail* cached = m_cache.Peek(m_keys[item]);
    if (!cached) return Thumb::Waiting;
    return cached->broken ? Thumb::Broken : Thumb::Drawn;
}

SIZE CImageHtmlView::GetPictureSize() const {
    return m_pictureSize;
}

std::size_t CImageHtmlView::DecodesOutstanding() const {
    return m_decoder->Outstanding();
}

void CImageHtmlView::RequestDecodes() {
    if (m_content != Content::Page) return;
    const RECT client = GetClientRect();
    const int top = m_scroll.y, bottom = m_scroll.y + (client.bottom - client.top);
    std::vector<DecodeRequest> wanted;
    std::unordered_set<std::string> asked;
    std::size_t first = m_items.size();
    // The thumbnails in sight first.
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        const PageRect& r = m_layout.borders[i];
        if (r.bottom <= top || r.top >= bottom) continue;
        first = std::min(first, i);
        if (m_isDocument[i]) continue;
        if (m_cache.Contains(m_keys[i]) || !asked.insert(m_keys[i]).second) continue;
        wanted.push_back(
            DecodeRequest{m_items[i].src, m_items[i].sizes.width, m_items[i].sizes.height});
    }
    // Then those below them, while the cache can hold them.
    const std::size_t budget = m_cache.m_budget, held = m_cache.Bytes();
    std::size_t budgetLeft = budget > held ? budget - held : 0;
    for (std::size_t i = first; i < m_items.size() && wanted.size() < 2000; ++i) {
        const ThumbnailSizes& s = m_items[i].sizes;
        const std::size_t bytes = static_cast<std::size_t>(s.width) * s.height * 4;
        if (m_isDocument[i] || m_cache.Contains(m_keys[i]) || asked.count(m_keys[i])) continue;
        if (bytes > budgetLeft) break;
        budgetLeft -= bytes;
        asked.insert(m_keys[i]);
        wanted.push_back(DecodeRequest{m_items[i].src, s.width, s.height});
    }
    m_decoder->SetWanted(wanted);
}

void CImageHtmlView::OnDecoded(std::unique_ptr<DecodedImage> image) {
    if (!image) return;
    const std::string key = image->request.Key();
    if (m_content == Content::Picture && key == m_pictureKey) {
        if (!image->ok) {
            m_pictureBroken = true;
        } else {
            BITMAPINFO info = TopDownInfo(image->width, image->height);
            void* bits = nullptr;
            CClientDC screen(m_hWnd);
            m_picture.Reset(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
            if (m_picture && bits) {
                std::copy(image->pixels.begin(), image->pixels.end(),
                          static_cast<std::uint32_t*>(bits));
                m_pictureSize = SIZE{image->width, image->height};
            } else {
                m_picture.Reset();
                m_pictureBroken = true;
            }
        }
        UpdateScrollBars();
        InvalidateRect(m_hWnd, nullptr, FALSE);
        return;
    }
    if (m_content != Content::Page || m_cache.Contains(key)) return;
    CachedThumbnail thumbnail;
    thumbnail.broken = !image->ok;
    thumbnail.width = image->width;
    thumbnail.height = image->height;
    thumbnail.pixels = std::move(image->pixels);
    m_cache.Add(key, std::move(thumbnail));
    InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CImageHtmlView::DrawPicture(HDC dc, const RECT& client) {
    if (!m_picture) return;
    CMemoryDC source(dc);
    CSelectObject select(source, m_picture.Get());
    BitBlt(dc, 0, 0, client.right, client.bottom, source, m_scroll.x, m_scroll.y, SRCCOPY);
    // Beyond the picture the pane's own background shows (already filled).
    (void)client;
}

bool CImageHtmlView::OnPaint() {
    CPaintDC paint(m_hWnd);
    const RECT client = GetClientRect();
    const int width = std::max<LONG>(1, client.right), height = std::max<LONG>(1, client.bottom);
    // Drawn off screen first, so that a thumbnail arriving never makes the pane flicker.
    CMemoryDC memory(paint);
    CUniqueBitmap canvas(CreateCompatibleBitmap(paint, width, height));
    if (!memory || !canvas) return true;
    CSelectObject select(memory, canvas.Get());
    FillSolid(memory, RECT{0, 0, width, height}, GetSysColor(COLOR_WINDOW));
    if (m_content == Content::Page) {
        m_painter.Draw(memory, client, m_scroll, WindowDpi(m_hWnd),
                       PageView{m_items, m_layout, m_keys, m_isDocument}, m_cache);
    }
    if (m_content == Content::Picture) {
        DrawPicture(memory, client);
        if (m_picture) {
            // The picture ends where the page does: the rest is background.
            const RECT right{m_pictureSize.cx - m_scroll.x, 0, width, height};
            const RECT below{0, m_pictureSize.cy - m_scroll.y, width, height};
            if (right.left < width) FillSolid(memory, right, GetSysColor(COLOR_WINDOW));
            if (below.top < height) FillSolid(memory, below, GetSysColor(COLOR_WINDOW));
        }
    }
    BitBlt(paint, 0, 0, width, height, memory, 0, 0, SRCCOPY);
    return true;
}

void CImageHtmlView::OnDpiChanged(int oldDpi, int newDpi) {
    (void)oldDpi;
    (void)newDpi;
    m_painter.ForgetFont();  // made again at the new DPI when next painted
    Relayout();
    UpdateScrollBars();
    InvalidateRect(m_hWnd, nullptr, FALSE);
}

bool CImageHtmlView::OnSize(UINT, int, int) {
    Relayout();
    UpdateScrollBars();
    RequestDecodes();
    InvalidateRect(m_hWnd, nullptr, FALSE);
    return true;
}

bool CImageHtmlView::OnMouseWheel(int delta, UINT, POINT) {
    ScrollTo(m_scroll.x,
             m_scroll.y - delta * 3 * ScaleForDpi(kLineStep, WindowDpi(m_hWnd)) / WHEEL_DELTA);
    return true;
}

bool CImageHtmlView::OnScroll(bool vertical, UINT code) {
    Scroll(vertical ? SB_VERT : SB_HORZ, static_cast<int>(code));
    return true;
}

bool CImageHtmlView::OnKeyDown(UINT key) {
    switch (key) {
        case VK_UP:
            Scroll(SB_VERT, SB_LINEUP);
            return true;
        case VK_DOWN:
            Scroll(SB_VERT, SB_LINEDOWN);
            return true;
        case VK_PRIOR:
            Scroll(SB_VERT, SB_PAGEUP);
            return true;
        case VK_NEXT:
            Scroll(SB_VERT, SB_PAGEDOWN);
            return true;
        case VK_HOME:
            ScrollTo(0, 0);
            return true;
        case VK_END:
            ScrollTo(m_scroll.x, ContentSize().cy);
            return true;
    }
    return false;
}

bool CImageHtmlView::OnMouseMove(POINT client, UINT keys) {
    UpdateToolTip(client);  // the tool's place first, then the relay
    m_toolTip.Relay(WM_MOUSEMOVE, keys, MAKELPARAM(client.x, client.y));
    return true;
}

bool CImageHtmlView::OnButton(UINT msg, POINT client, UINT keys) {
    if (msg == WM_LBUTTONDBLCLK || msg == WM_MBUTTONDOWN) return false;
    m_toolTip.Relay(msg, keys, MAKELPARAM(client.x, client.y));
    if (msg == WM_LBUTTONDOWN) {
        OnLButtonDown(client);
        return true;
    }
    if (msg == WM_LBUTTONUP) {
        OnLButtonUp(client);
        return true;
    }
    return false;
}

void CImageHtmlView::OnLButtonDown(POINT client) {
    SetFocus(m_hWnd);
    m_pressed = HitTest(client);
}

void CImageHtmlView::OnLButtonUp(POINT client) {
    const int item = HitTest(client);
    const bool clicked = item >= 0 && item == m_pressed;
    m_pressed = -1;
    if (clicked) {
        const std::string target = m_items[item].href;  // the page goes away
        Navigate(target);
    }
}

bool CImageHtmlView::OnSetCursor(HWND, UINT hitTest) {
    if (hitTest != HTCLIENT || m_hover < 0) return false;
    SetCursor(LoadCursor(nullptr, IDC_HAND));
    return true;
}

bool CImageHtmlView::OnToolTipNotify(NMHDR* header) {
    if (!m_toolTip.IsFrom(header)) return false;
    POINT cursor{};
    GetCursorPos(&cursor);
    ScreenToClient(m_hWnd, &cursor);
    return m_toolTip.OnNotify(header, ToolTipTextAt(cursor));
}

void CImageHtmlView::OnDestroy() {
    m_toolTip.Destroy();
}

LRESULT CImageHtmlView::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (m_decoder->IsOurMessage(msg)) {
        OnDecoded(m_decoder->Take(msg, wParam, lParam));
        return 0;
    }
    switch (msg) {
        case kPageReadMessage:
            OnPageRead(m_pageReader->Take<PageRead>(wParam));
            return 0;
        case WM_SETTINGCHANGE:
        case WM_THEMECHANGED:
            m_painter.ForgetFont();
            InvalidateRect(m_hWnd, nullptr, FALSE);
            break;
        case WM_NOTIFY:
            if (OnToolTipNotify(reinterpret_cast<NMHDR*>(lParam))) return 0;
            break;
        default:
            break;
    }
    return CView::WndProc(msg, wParam, lParam);
}
