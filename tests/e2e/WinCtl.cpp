// A small helper for the end-to-end scripts: finds a top-level window of a Wine desktop by its
// title and acts on it as a user's click would, or reports what it shows.
//   winctl DESKTOP exists TITLE         exit 0 when a visible window has that exact title
//   winctl DESKTOP contains TEXT        exit 0 when a visible window's title contains TEXT
//   winctl DESKTOP topmost TITLE        exit 0 when that window is topmost
//   winctl DESKTOP click TITLE ID       posts the click of push button ID
//   winctl DESKTOP list TITLE ID        prints the lines of list box ID, one a line (UTF-8)
//   winctl DESKTOP rows TEXT            prints the row count of the list view in a window whose
//                                       title contains TEXT (a count crosses processes; texts
//                                       of common controls do not)
//   winctl DESKTOP popup -              exit 0 while a popup menu is shown
//   winctl DESKTOP editing TEXT         exit 0 while the tree view of such a window has a label
//                                       open for editing
//   winctl DESKTOP post TITLE MSG WPARAM LPARAM
//                                       posts a message (numbers, decimal or 0x hex), as the
//                                       shell does for a click on a notification-area icon
// Exit 2 on a usage error, 1 when the window or control is not there.
#include <windows.h>
#include <commctrl.h>

#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Search {
    std::wstring text;
    bool exact = true;
    HWND found = nullptr;
};

BOOL CALLBACK Match(HWND hwnd, LPARAM param) {
    Search& search = *reinterpret_cast<Search*>(param);
    if (!IsWindowVisible(hwnd)) return TRUE;
    wchar_t title[512] = L"";
    GetWindowTextW(hwnd, title, 512);
    const std::wstring t = title;
    if (search.exact ? t == search.text : t.find(search.text) != std::wstring::npos) {
        search.found = hwnd;
        return FALSE;
    }
    return TRUE;
}

void PrintUtf8(const std::wstring& line) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()),
                                          nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), &out[0], bytes,
                        nullptr, nullptr);
    out += '\n';
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), out.data(), static_cast<DWORD>(out.size()), &written,
              nullptr);
}

// The first child window of that class, at any depth.
HWND ChildOfClass(HWND parent, const wchar_t* className) {
    struct Find {
        const wchar_t* className;
        HWND found;
    } find{className, nullptr};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM param) {
            Find& find = *reinterpret_cast<Find*>(param);
            wchar_t cls[64] = L"";
            GetClassNameW(child, cls, 64);
            if (lstrcmpiW(cls, find.className) != 0) return TRUE;
            find.found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&find));
    return find.found;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) return 2;
    const std::wstring command = argv[2];
    HDESK desktop = OpenDesktopW(argv[1], 0, FALSE, GENERIC_ALL);
    if (!desktop) return 1;
    Search search;
    search.text = argv[3];
    search.exact = command != L"contains" && command != L"rows" && command != L"editing";
    // Searched from inside that desktop: its windows are the children of its desktop window.
    SetThreadDesktop(desktop);
    if (command == L"popup") {
        bool shown = false;
        EnumWindows(
            [](HWND hwnd, LPARAM param) {
                wchar_t cls[16] = L"";
                GetClassNameW(hwnd, cls, 16);
                if (lstrcmpW(cls, L"#32768") != 0 || !IsWindowVisible(hwnd)) return TRUE;
                *reinterpret_cast<bool*>(param) = true;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&shown));
        return shown ? 0 : 1;
    }
    EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
    HWND hwnd = search.found;
    if (!hwnd) return 1;
    if (command == L"exists" || command == L"contains") return 0;
    if (command == L"rows") {
        HWND list = ChildOfClass(hwnd, WC_LISTVIEWW);
        if (!list) return 1;
        PrintUtf8(std::to_wstring(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)));
        return 0;
    }
    if (command == L"editing") {
        HWND tree = ChildOfClass(hwnd, WC_TREEVIEWW);
        if (!tree) return 1;
        HWND edit = reinterpret_cast<HWND>(SendMessageW(tree, TVM_GETEDITCONTROL, 0, 0));
        return edit && IsWindowVisible(edit) ? 0 : 1;
    }
    if (command == L"topmost") {
        return (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) ? 0 : 1;
    }
    if (command == L"post") {
        if (argc < 7) return 2;
        auto number = [](const wchar_t* text) { return wcstoull(text, nullptr, 0); };
        return PostMessageW(hwnd, static_cast<UINT>(number(argv[4])),
                            static_cast<WPARAM>(number(argv[5])),
                            static_cast<LPARAM>(number(argv[6])))
                   ? 0
                   : 1;
    }
    if (argc < 5) return 2;
    const int id = _wtoi(argv[4]);
    HWND control = GetDlgItem(hwnd, id);
    if (!control) return 1;
    if (command == L"click") {
        if (!IsWindowEnabled(control)) return 1;
        PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(control));
        return 0;
    }
    if (command == L"list") {
        const int count = static_cast<int>(SendMessageW(control, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            std::vector<wchar_t> line(
                static_cast<std::size_t>(SendMessageW(control, LB_GETTEXTLEN, i, 0)) + 1);
            SendMessageW(control, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()));
            PrintUtf8(line.data());
        }
        return 0;
    }
    return 2;
}
