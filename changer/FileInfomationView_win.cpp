#include "changer/FileInfomationView_win.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "fw/Dpi.h"
#include "model/Settings.h"
#include "win/Handles.h"
#include "win/Strconv.h"

const char CFileInfomationView::kClassName[] = "PelorandFileInfomationView";

namespace {

// A font field read with the window's current value as its default.
SettingDef FontDef(const SettingDef& def, int current) {
    SettingDef copy = def;
    copy.intDefault = current;
    copy.source = DefaultSource::Constant;
    return copy;
}

BYTE FontByte(CSettings& settings, const SettingDef& def, BYTE current) {
    return static_cast<BYTE>(settings.GetInt(FontDef(def, current)) & 0xFF);
}

}  // namespace

CFileInfomationView::CFileInfomationView()
    : m_crBack(GetSysColor(COLOR_WINDOW)),
      m_crText(GetSysColor(COLOR_WINDOWTEXT)),
      m_strName("ファイル名"),
      m_strPriority("優先順位"),
      m_strAuthor("作成者"),
      m_strComment("コメント") {
    std::memset(&m_lf, 0, sizeof m_lf);
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof m_lf, &m_lf);
}

bool CFileInfomationView::Create(DWORD exStyle, DWORD style, const char* title, const RECT& rect,
                                 HWND parent, UINT id) {
    RegisterClassOnce(kClassName, CS_HREDRAW | CS_VREDRAW, LoadCursor(nullptr, IDC_ARROW), nullptr);
    const bool visible = (style & WS_VISIBLE) != 0;
    // Shown only once placed, and without taking the activation from anyone.
    if (!CreateEx(exStyle, kClassName, title, style & ~WS_VISIBLE, rect.left, rect.top,
                  rect.right - rect.left, rect.bottom - rect.top, parent,
                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)))) {
        return false;
    }
    if (visible) ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    return true;
}

void CFileInfomationView::SetTexts(const std::string& name, const std::string& priority,
                                   const std::string& author, const std::string& comment) {
    m_strName = name;
    m_strPriority = priority;
    m_strAuthor = author;
    m_strComment = comment;
    if (m_hWnd) RedrawNow();
}

void CFileInfomationView::ShowWallpaperInfo(const WallpaperInfo& info) {
    SetTexts(info.name, info.priority, info.author, info.comment);
}

std::string CFileInfomationView::GetDisplayText() const {
    std::string text;
    if (m_bDispName) text += m_strName + "\n";
    if (m_bDispPriority) text += m_strPriority + "\n";
    if (m_bDispAuthor) text += m_strAuthor + "\n";
    if (m_bDispComment) text += m_strComment;
    return text;
}

void CFileInfomationView::Paint(HDC dc, const RECT& client) const {
    // Under high contrast the user's own colours stand for the ones chosen in the options.
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof contrast;
    const bool highContrast =
        SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
        (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
    const COLORREF backColor = highContrast ? GetSysColor(COLOR_WINDOW) : m_crBack;
    const COLORREF textColor = highContrast ? GetSysColor(COLOR_WINDOWTEXT) : m_crText;
    CUniqueBrush back(CreateSolidBrush(backColor));
    FillRect(dc, &client, back.Get());
    // The font is kept at the system's DPI (as the options chose it) and drawn at the window's.
    const LOGFONTW shown = ScaleFont(m_lf, ScreenDpi(), WindowDpi(m_hWnd));
    CUniqueFont font(CreateFontIndirectW(&shown));
    CSelectObject selectFont(
        dc, font ? static_cast<HGDIOBJ>(font.Get()) : GetStockObject(DEFAULT_GUI_FONT));
    COLORREF oldText = SetTextColor(dc, textColor);
    COLORREF oldBack = SetBkColor(dc, backColor);
    int oldMode = SetBkMode(dc, OPAQUE);
    std::string text = GetDisplayText();
    RECT rc = client;
    // No DT_NOPREFIX: "&" underlines the next character and "&&" shows one.
    DrawTextUi(dc, text, &rc, DT_LEFT | DT_TOP);
    SetBkMode(dc, oldMode);
    SetBkColor(dc, oldBack);
    SetTextColor(dc, oldText);
}

RECT CFileInfomationView::OntoMonitor(const RECT& stored, bool whole) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromRect(&stored, MONITOR_DEFAULTTONEAREST), &monitor)) {
        return stored;
    }
    const RECT& work = monitor.rcWork;
    const bool fits = stored.right - stored.left <= work.right - work.left &&
                      stored.bottom - stored.top <= work.bottom - work.top;
    if (fits && !whole && MonitorFromRect(&stored, MONITOR_DEFAULTTONULL)) return stored;
    const LONG width = std::min(stored.right - stored.left, work.right - work.left);
    const LONG height = std::min(stored.bottom - stored.top, work.bottom - work.top);
    RECT placed;
    placed.left = std::clamp(stored.left, work.left, work.right - width);
    placed.top = std::clamp(stored.top, work.top, work.bottom - height);
    placed.right = placed.left + width;
    placed.bottom = placed.top + height;
    return placed;
}

RECT CFileInfomationView::FromStored(int left, int top, int width, int height) {
    // The monitor that holds most of the stored place (or the nearest): its work area bounds
    // the size, and its DPI the least size of the frame.
    constexpr long long kFar = 1 << 24;
    const LONG probeLeft = static_cast<LONG>(std::clamp<long long>(left, -kFar, kFar));
    const LONG probeTop = static_cast<LONG>(std::clamp<long long>(top, -kFar, kFar));
    const RECT probe{probeLeft, probeTop,
                     probeLeft + static_cast<LONG>(std::clamp<long long>(width, 1, kFar)),
                     probeTop + static_cast<LONG>(std::clamp<long long>(height, 1, kFar))};
    const HMONITOR monitor = MonitorFromRect(&probe, MONITOR_DEFAULTTONEAREST);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    RECT work{0, 0, 640, 480};
    if (GetMonitorInfoW(monitor, &info)) {
        work = info.rcWork;
    } else {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    }
    const int dpi = MonitorDpi(monitor);
    const long long workWidth = std::max<long long>(1, work.right - work.left);
    const long long workHeight = std::max<long long>(1, work.bottom - work.top);
    // No size at all takes the size a new window gets; the frame cannot be smaller than its
    // minimum, and a window larger than the screen shows nothing more.
    auto size = [](long long stored, long long fallback, long long least, long long most) {
        if (stored <= 0) stored = fallback;
        return std::clamp(stored, std::min(least, most), most);
    };
    const long long w =
        size(width, workWidth / 10, SystemMetricForDpi(SM_CXMINTRACK, dpi), workWidth);
    const long long h =
        size(height, workHeight / 10, SystemMetricForDpi(SM_CYMINTRACK, dpi), workHeight);
    // Far outside every screen is as good as a little outside; kept in range, the sums below
    // cannot overflow, and OntoMonitor brings the place back.
    const long long x = std::clamp<long long>(left, -kFar, kFar);
    const long long y = std::clamp<long long>(top, -kFar, kFar);
    // A size that had to be mended says the place is no one's choice either: all of it on
    // the screen.
    const bool mended = w != width || h != height || x != left || y != top;
    return OntoMonitor(RECT{static_cast<LONG>(x), static_cast<LONG>(y), static_cast<LONG>(x + w),
                            static_cast<LONG>(y + h)},
                       mended);
}

void CFileInfomationView::LoadPlacementAndFont() {
    CSettings& settings = *m_pSettings;
    const RECT placed =
        FromStored(settings.GetInt(setting::LeftPosition), settings.GetInt(setting::TopPosition),
                   settings.GetInt(setting::Width), settings.GetInt(setting::Height));
    // The stored place is in the pixels of its monitor: moving there is no move between
    // DPIs to scale for (OnDpiChanged).
    m_bPlacing = true;
    MoveWindow(m_hWnd, placed.left, placed.top, placed.right - placed.left,
               placed.bottom - placed.top, TRUE);
    m_bPlacing = false;

    using namespace setting;
    m_lf.lfHeight = settings.GetInt(FontDef(lfHeight, m_lf.lfHeight));
    m_lf.lfWidth = settings.GetInt(FontDef(lfWidth, m_lf.lfWidth));
    m_lf.lfEscapement = settings.GetInt(FontDef(lfEscapement, m_lf.lfEscapement));
    m_lf.lfOrientation = settings.GetInt(FontDef(lfOrientation, m_lf.lfOrientation));
    m_lf.lfWeight = settings.GetInt(FontDef(lfWeight, m_lf.lfWeight));
    m_lf.lfItalic = FontByte(settings, lfItalic, m_lf.lfItalic);
    m_lf.lfUnderline = FontByte(settings, lfUnderline, m_lf.lfUnderline);
    m_lf.lfStrikeOut = FontByte(settings, lfStrikeOut, m_lf.lfStrikeOut);
    m_lf.lfCharSet = FontByte(settings, lfCharSet, m_lf.lfCharSet);
    m_lf.lfOutPrecision = FontByte(settings, lfOutPrecision, m_lf.lfOutPrecision);
    m_lf.lfClipPrecision = FontByte(settings, lfClipPrecision, m_lf.lfClipPrecision);
    m_lf.lfQuality = FontByte(settings, lfQuality, m_lf.lfQuality);
    m_lf.lfPitchAndFamily = FontByte(settings, lfPitchAndFamily, m_lf.lfPitchAndFamily);

    SettingDef faceDef = lfFaceName;
    const std::string current =
        ToMultiByteLossy(std::wstring(m_lf.lfFaceName, wcsnlen(m_lf.lfFaceName, LF_FACESIZE)));
    faceDef.stringDefault = current.c_str();
    faceDef.source = DefaultSource::Constant;
    // A name edited in by hand may be longer than the record holds: cut it at a whole character.
    const std::string face = CutFaceName(settings.GetString(faceDef));
    std::memset(m_lf.lfFaceName, 0, sizeof m_lf.lfFaceName);
    ToWide(face).copy(m_lf.lfFaceName, LF_FACESIZE - 1);
}

void CFileInfomationView::OnDpiChanged(int dpi, const RECT& suggested) {
    NoteWindowDpi(m_hWnd, dpi);
    InvalidateRect(m_hWnd, nullptr, FALSE);
    if (m_bPlacing) return;
    // The size Windows scaled for the new monitor, all of it inside that monitor's work area.
    const RECT placed = OntoMonitor(suggested, true);
    SetWindowPos(m_hWnd, nullptr, placed.left, placed.top, placed.right - placed.left,
                 placed.bottom - placed.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CFileInfomationView::SavePlacement() {
    RECT rc{};
    GetWindowRect(m_hWnd, &rc);
    CSettings& settings = *m_pSettings;
    settings.WriteInt(setting::LeftPosition, rc.left);
    settings.WriteInt(setting::TopPosition, rc.top);
    settings.WriteInt(setting::Width, rc.right - rc.left);
    settings.WriteInt(setting::Height, rc.bottom - rc.top);
}

LRESULT CFileInfomationView::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CREATE: {
            LRESULT result = Default(msg, wParam, lParam);
            if (result == -1) return -1;
            if (Persists()) LoadPlacementAndFont();
            return result;
        }
        case WM_MOUSEACTIVATE:
            // A click or a drag of the frame must not take the focus from the user's program.
            return MA_NOACTIVATE;
        case WM_DPICHANGED:
            OnDpiChanged(DpiChangedDpi(wParam), DpiChangedRect(m_hWnd, lParam));
            return 0;
        case WM_DISPLAYCHANGE: {
            // A monitor went, or shrank: the window comes back onto one that is there.
            RECT rc{};
            GetWindowRect(m_hWnd, &rc);
            const RECT placed = OntoMonitor(rc);
            if (!EqualRect(&rc, &placed)) {
                SetWindowPos(m_hWnd, nullptr, placed.left, placed.top, placed.right - placed.left,
                             placed.bottom - placed.top, SWP_NOZORDER | SWP_NOACTIVATE);
            }
            return CWnd::WndProc(msg, wParam, lParam);
        }
        case WM_NCDESTROY:
            ForgetWindowDpi(m_hWnd);
            return CWnd::WndProc(msg, wParam, lParam);
        default:
            return CWnd::WndProc(msg, wParam, lParam);
    }
}

bool CFileInfomationView::OnMove() {
    DefaultNow();
    if (Persists()) SavePlacement();
    return true;
}

bool CFileInfomationView::OnSize(UINT, int, int) {
    return OnMove();
}

bool CFileInfomationView::OnContextMenu(HWND, POINT at) {
    if (!m_hCommandTarget) return false;
    if (at.x == -1 && at.y == -1) {  // from the keyboard: at the window's corner
        RECT rc{};
        GetWindowRect(m_hWnd, &rc);
        at = POINT{rc.left, rc.top};
    }
    SendMessageW(m_hCommandTarget, m_uMenuMessage, 0,
                 MAKELPARAM(static_cast<WORD>(at.x), static_cast<WORD>(at.y)));
    return true;
}

bool CFileInfomationView::OnPaint() {
    CPaintDC dc(m_hWnd);
    Paint(dc, GetClientRect());
    return true;
}

bool CFileInfomationView::OnPrintClient(HDC dc) {
    Paint(dc, GetClientRect());
    return true;
}
