// The lower right pane, where the thumbnail page of the selected images is shown. It stays
// blank until a page is loaded into it. It reads the pages the editor writes (anything else
// shows nothing), flows their thumbnails as a browser flows inline images, follows a click on
// one to the picture itself (at its own size, with scroll bars), and keeps a back and forward
// history. Pictures are decoded on background threads; thumbnails are kept in a cache of
// bounded size.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "fw/Ids.h"
#include "fw/View.h"
#include "fw/Worker.h"
#include "views/PageHistory.h"
#include "views/PagePainter.h"
#include "views/PageToolTip.h"
#include "views/ThumbnailCache.h"
#include "views/ThumbnailPage.h"
#include "win/Handles.h"

class CImageDecoder;
class CPelorandDoc;
struct DecodedImage;

class CImageHtmlView : public CView {
  public:
    static constexpr UINT kDecodedMessage = WM_FW_PROGRAM_FIRST + 0x41;
    static constexpr UINT kPageReadMessage = WM_FW_PROGRAM_FIRST + 0x43;

    CImageHtmlView();
    ~CImageHtmlView() override;

    bool Create(HWND parent, UINT id, const SIZE& size, CDocument* doc) override;
    void OnInitialUpdate() override;
    void OnUpdate(CView* sender, const CUpdateHint& hint) override;
    // Its text, margin and icons take the new DPI; the pictures keep the page's sizes.
    void OnDpiChanged(int oldDpi, int newDpi) override;
    CPelorandDoc* GetDocument() const;

    // Shows path as a new step of the history (the steps after the current one are dropped).
    // Showing the path shown now again reads it anew in the same step.
    void Navigate(const std::string& path);
    // False, and nothing changes, when there is no step that way.
    bool GoBack();
    bool GoForward();

    // What is shown. A step is read in the background: until then (IsLoading) nothing is.
    enum class Content { Nothing, Page, Picture };
    Content GetContent() const { return m_content; }
    bool IsLoading() const { return m_loading; }
    const std::string& GetLocation() const;
    std::size_t HistoryLength() const { return m_history.size(); }

    // The page shown: its thumbnails and where they stand on the page.
    const std::vector<PageItem>& Items() const { return m_items; }
    const PageLayout& Layout() const { return m_layout; }
    // The thumbnail under a point of the window, or -1.
    int HitTest(POINT client) const;
    // The tool tip for a point of the window: the thumbnail's alternative text, or empty.
    std::string ToolTipTextAt(POINT client) const;

    // Icon: a page (an HTML wallpaper) is shown as its type's icon with its name, as the shell
    // shows such a file; it is never decoded.
    enum class Thumb { Waiting, Drawn, Broken, Icon };
    Thumb GetThumbState(int item) const;
    // The picture shown in picture mode: its size, or 0 x 0 while it is decoded (or broken).
    SIZE GetPictureSize() const;
    bool IsPictureBroken() const { return m_pictureBroken; }
    POINT GetScrollPosition() const { return m_scroll; }
    void ScrollTo(int x, int y);
    std::size_t CachedBytes() const { return m_cache.Bytes(); }
    // The most memory the decoded thumbnails may take.
    std::size_t CacheBudget() const { return m_cache.m_budget; }
    void SetCacheBudget(std::size_t bytes) { m_cache.m_budget = bytes; }
    // Decodes asked for and not yet back.
    std::size_t DecodesOutstanding() const;

  protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  private:
    struct PageRead;
    void Show(const CPageHistory::Step& step);
    void OnPageRead(std::unique_ptr<PageRead> read);
    void Clear();
    bool OnPaint() override;
    bool OnEraseBkgnd(HDC) override { return true; }  // the paint covers everything
    bool OnSize(UINT type, int cx, int cy) override;
    bool OnMouseWheel(int delta, UINT keys, POINT screen) override;
    bool OnScroll(bool vertical, UINT code) override;
    bool OnKeyDown(UINT key) override;
    bool OnMouseMove(POINT client, UINT keys) override;
    bool OnButton(UINT msg, POINT client, UINT keys) override;
    void OnLButtonDown(POINT client);
    void OnLButtonUp(POINT client);
    bool OnSetCursor(HWND over, UINT hitTest) override;
    bool OnToolTipNotify(NMHDR* header);
    void OnDestroy() override;
    void DrawPicture(HDC dc, const RECT& client);
    void OnDecoded(std::unique_ptr<DecodedImage> image);
    // Asks for the visible thumbnails first, then those that follow while the budget allows.
    void RequestDecodes();
    void Relayout();
    void UpdateScrollBars();
    void Scroll(int bar, int code);
    SIZE ContentSize() const;
    void UpdateToolTip(POINT client);

    std::unique_ptr<CImageDecoder> m_decoder;
    std::unique_ptr<CWorker> m_pageReader;
    unsigned m_ticket = 0;  // of the step being read
    bool m_loading = false;
    POINT m_pendingScroll{0, 0};
    CPageHistory m_history;
    Content m_content = Content::Nothing;

    std::vector<PageItem> m_items;
    std::vector<std::string> m_keys;  // each item's cache key
    std::vector<bool> m_isDocument;   // each item's picture is a page, shown as an icon
    PageLayout m_layout;

    CThumbnailCache m_cache;

    std::string m_pictureKey;
    CUniqueBitmap m_picture;
    CPagePainter m_painter;
    SIZE m_pictureSize{0, 0};
    bool m_pictureBroken = false;

    POINT m_scroll{0, 0};
    CPageToolTip m_toolTip;
    int m_hover = -1;
    int m_pressed = -1;
};
