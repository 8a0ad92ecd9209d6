// Every dialog in the program's resources shows the texts of its template, read back as UTF-16,
// whatever the system's code page: the suite runs again under code page 1252
// (tests/editor/CMakeLists.txt), where a dialog made the multibyte way shows "?" for each
// Japanese character.
#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "EditorFixture.h"
#include "fw/Dialog.h"
#include "res/resource.h"
#include "win/Handles.h"
#include "win/Strconv.h"

namespace {

struct TemplateItem {
    int id = 0;
    std::wstring className;  // empty for a predefined class given by number
    WORD classAtom = 0;      // 0x80 button, 0x81 edit, 0x82 static, ...
    std::wstring text;
    bool textIsResource = false;  // an icon or bitmap named by number, not a text
};

struct DialogTemplate {
    std::wstring caption;
    std::vector<TemplateItem> items;
};

// Reads the extended dialog template that windres makes of a DIALOGEX block.
class TemplateReader {
  public:
    TemplateReader(const BYTE* data, std::size_t size) : m_data(data), m_size(size) {}
    bool Ok() const { return m_ok; }
    WORD Word() {
        WORD value = 0;
        if (m_pos + 2 > m_size) return m_ok = false, 0;
        std::memcpy(&value, m_data + m_pos, 2);
        m_pos += 2;
        return value;
    }
    DWORD Dword() {
        const DWORD low = Word();
        return low | (static_cast<DWORD>(Word()) << 16);
    }
    // A name or a number: a zero word (nothing), 0xFFFF and a number, or a text.
    std::wstring NameOrNumber(WORD* number, bool* isNumber) {
        *isNumber = false;
        *number = 0;
        WORD first = Word();
        if (first == 0xFFFF) {
            *isNumber = true;
            *number = Word();
            return {};
        }
        std::wstring text;
        for (WORD c = first; m_ok && c != 0; c = Word()) text += static_cast<wchar_t>(c);
        return text;
    }
    void AlignToDword() { m_pos = (m_pos + 3) & ~static_cast<std::size_t>(3); }
    void Skip(std::size_t bytes) { m_pos += bytes; }

  private:
    const BYTE* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    bool m_ok = true;
};

bool ReadTemplate(UINT id, DialogTemplate& out) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));  // RT_DIALOG
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    const auto* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    if (!data) return false;
    TemplateReader r(data, SizeofResource(instance, found));
    if (r.Word() != 1 || r.Word() != 0xFFFF) return false;  // DIALOGEX only
    r.Dword();  // help id
    r.Dword();  // extended style
    const DWORD style = r.Dword();
    const WORD count = r.Word();
    r.Skip(8);  // place and size
    WORD number = 0;
    bool isNumber = false;
    r.NameOrNumber(&number, &isNumber);  // menu
    r.NameOrNumber(&number, &isNumber);  // class
    out.caption = r.NameOrNumber(&number, &isNumber);
    if (style & (DS_SETFONT | DS_SHELLFONT)) {
        r.Word();  // point size
        r.Word();  // weight
        r.Word();  // italic, character set
        r.NameOrNumber(&number, &isNumber);
    }
    for (WORD i = 0; i < count && r.Ok(); ++i) {
        r.AlignToDword();
        TemplateItem item;
        r.Dword();  // help id
        r.Dword();  // extended style
        r.Dword();  // style
        r.Skip(8);
        item.id = static_cast<int>(r.Dword());
        item.className = r.NameOrNumber(&item.classAtom, &isNumber);
        item.text = r.NameOrNumber(&number, &item.textIsResource);
        r.Skip(r.Word());  // creation data
        out.items.push_back(item);
    }
    return r.Ok();
}

std::vector<UINT> DialogIds() {
    std::vector<UINT> ids;
    EnumResourceNamesW(
        GetModuleHandleW(nullptr), MAKEINTRESOURCEW(5),
        [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) -> BOOL {
            if (IS_INTRESOURCE(name)) {
                reinterpret_cast<std::vector<UINT>*>(param)->push_back(
                    static_cast<UINT>(reinterpret_cast<ULONG_PTR>(name)));
            }
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&ids));
    return ids;
}

std::wstring TextOf(HWND window) {
    // WM_GETTEXT as a Unicode caller sends it.
    wchar_t text[512] = L"";
    SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
    return text;
}

// Buttons, edits and statics keep the text of their template; list-like controls do not.
bool KeepsItsText(const TemplateItem& item) {
    if (item.textIsResource) return false;
    if (item.className.empty()) return item.classAtom >= 0x80 && item.classAtom <= 0x82;
    return lstrcmpiW(item.className.c_str(), L"Button") == 0 ||
           lstrcmpiW(item.className.c_str(), L"Static") == 0 ||
           lstrcmpiW(item.className.c_str(), L"Edit") == 0;
}

bool HasJapanese(const std::wstring& text) {
    for (wchar_t c : text) {
        if (c >= 0x3000) return true;
    }
    return false;
}

}  // namespace

TEST(DialogTexts, OnAnyCodePageEveryDialogShowsTheTextsOfItsTemplate) {
    if (const char* expected = std::getenv("PELORAND_EXPECT_ACP")) {
        ASSERT_EQ(static_cast<UINT>(std::atoi(expected)), GetACP());
    }
    // Pages are child dialogs: every dialog is made inside a hidden window of its own.
    HWND host = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 400, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, host);
    const std::vector<UINT> ids = DialogIds();
    // The program's own dialogs are all there (and the tests' ones beside them).
    for (UINT id : {IDD_ABOUTBOX, IDD_CHANGER, IDD_CHANGER_START, IDD_WALLPAPER_HISTORY,
                    IDD_PROPERTY, IDD_AUTHOR_LIST, IDD_NEW_AUTHOR, IDD_OPTION_CHANGER,
                    IDD_OPTION_ENDFILE, IDD_OPTION_INFO, IDD_OPTION_IMAGE}) {
        EXPECT_NE(std::find(ids.begin(), ids.end(), id), ids.end()) << id;
    }
    int japanese = 0;
    for (UINT id : ids) {
        SCOPED_TRACE("dialog " + std::to_string(id));
        DialogTemplate expected;
        ASSERT_TRUE(ReadTemplate(id, expected));
        CDialog dialog(id, host);
        ASSERT_TRUE(dialog.Create(host));
        EXPECT_TRUE(IsWindowUnicode(dialog.m_hWnd));
        EXPECT_EQ(expected.caption, TextOf(dialog.m_hWnd));
        // The dialog manager makes the controls in the order of the template.
        HWND control = GetWindow(dialog.m_hWnd, GW_CHILD);
        for (const TemplateItem& item : expected.items) {
            ASSERT_NE(nullptr, control);
            EXPECT_EQ(static_cast<short>(item.id), static_cast<short>(GetDlgCtrlID(control)));
            if (KeepsItsText(item)) {
                EXPECT_EQ(item.text, TextOf(control)) << "control " << item.id;
                if (HasJapanese(item.text)) ++japanese;
            }
            control = GetWindow(control, GW_HWNDNEXT);
        }
        dialog.DestroyWindow();
    }
    DestroyWindow(host);
    // Lest a template read wrong compare nothing.
    EXPECT_GT(japanese, 40);
}

namespace {

bool ClassIs(HWND control, const wchar_t* name) {
    wchar_t className[32] = L"";
    GetClassNameW(control, className, 32);
    return lstrcmpiW(className, name) == 0;
}

// Group boxes and frames hold other controls; every other control stands alone.
bool Encloses(HWND control) {
    const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
    if (ClassIs(control, L"Button")) return (style & BS_TYPEMASK) == BS_GROUPBOX;
    if (ClassIs(control, L"Static")) {
        const LONG_PTR type = style & SS_TYPEMASK;
        return (type >= SS_BLACKRECT && type <= SS_WHITEFRAME) || type == SS_ETCHEDFRAME ||
               type == SS_ETCHEDHORZ || type == SS_ETCHEDVERT;
    }
    return false;
}

// Room the control's text needs beyond the text itself (a check box's box, a button's edges);
// -1 for a control whose text is not checked.
int TextRoom(HWND control, UINT& format) {
    const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
    format = DT_SINGLELINE;
    if (ClassIs(control, L"Static")) {
        const LONG_PTR type = style & SS_TYPEMASK;
        if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
        if (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT) {
            format = (format & ~DT_SINGLELINE) | DT_WORDBREAK;
            return 0;
        }
        return type == SS_LEFTNOWORDWRAP || type == SS_SIMPLE ? 0 : -1;
    }
    if (!ClassIs(control, L"Button") || (style & BS_MULTILINE)) return -1;
    switch (style & BS_TYPEMASK) {
        case BS_PUSHBUTTON:
        case BS_DEFPUSHBUTTON:
            return 2 * GetSystemMetrics(SM_CXEDGE);
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_3STATE:
        case BS_AUTO3STATE:
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
            return GetSystemMetrics(SM_CXMENUCHECK) + GetSystemMetrics(SM_CXEDGE);
        case BS_GROUPBOX:
            return 2 * GetSystemMetrics(SM_CXEDGE);
        default:
            return -1;
    }
}

RECT RectIn(HWND control, HWND dialog) {
    RECT rc{};
    GetWindowRect(control, &rc);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

}  // namespace

// Run at 96 DPI with the rest, and at 120, 144 and 192 by tests/editor/screens.sh: the dialog
// manager sizes the controls from the font at the screen's DPI, and text does not grow in step.
TEST(DialogTexts, AtTheScreenDpiEveryTextFitsItsControlAndNoControlsOverlap) {
    if (const char* expected = std::getenv("PELORAND_EXPECT_DPI")) {
        CClientDC screen(nullptr);
        ASSERT_EQ(std::atoi(expected), GetDeviceCaps(screen, LOGPIXELSY));
    }
    HWND host = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 400, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, host);
    for (UINT id : DialogIds()) {
        CDialog dialog(id, host);
        ASSERT_TRUE(dialog.Create(host));
        const RECT client = dialog.GetClientRect();
        std::vector<std::pair<HWND, RECT>> alone;
        for (HWND control = GetWindow(dialog.m_hWnd, GW_CHILD); control;
             control = GetWindow(control, GW_HWNDNEXT)) {
            if (!(GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE)) continue;
            const RECT rc = RectIn(control, dialog.m_hWnd);
            const int cid = GetDlgCtrlID(control);
            RECT inside{};
            IntersectRect(&inside, &rc, &client);
            EXPECT_TRUE(EqualRect(&inside, &rc)) << "dialog " << id << " control " << cid;
            UINT format = 0;
            const int room = TextRoom(control, format);
            const std::wstring text = TextOf(control);
            if (room >= 0 && !text.empty()) {
                CClientDC dc(control);
                CSelectObject font(dc, reinterpret_cast<HFONT>(
                                           SendMessageW(control, WM_GETFONT, 0, 0)));
                const int width = rc.right - rc.left - room;
                RECT need{0, 0, width, 0};
                DrawTextW(dc, text.c_str(), -1, &need, format | DT_CALCRECT);
                EXPECT_LE(need.right, width) << "dialog " << id << " control " << cid;
                EXPECT_LE(need.bottom, rc.bottom - rc.top) << "dialog " << id << " control " << cid;
            }
            if (Encloses(control)) continue;
            for (const auto& other : alone) {
                RECT overlap{};
                EXPECT_FALSE(IntersectRect(&overlap, &rc, &other.second))
                    << "dialog " << id << " controls " << cid << " and "
                    << GetDlgCtrlID(other.first);
            }
            alone.emplace_back(control, rc);
        }
        dialog.DestroyWindow();
    }
    DestroyWindow(host);
}
