// Context help: which controls of every dialog and options page carry a help id, that each of
// them has a topic text and nothing else has one, and the pop-up that F1 or the "?" shows.
#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <commctrl.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "EditorFixture.h"
#include "fw/HelpPopup.h"
#include "fw/PropertySheet.h"
#include "res/resource.h"
#include "ui/AboutDlg.h"
#include "ui/ContextHelp.h"
#include "ui/CreaterListDlg.h"
#include "ui/MainFrame.h"
#include "ui/NewCreaterDlg.h"
#include "ui/PelorandChangerStart.h"
#include "ui/PelorandOption.h"
#include "ui/PropertyDlg.h"
#include "win/Strconv.h"

namespace {

struct ControlHelp {
    int id;
    std::string className;
    DWORD contextId;
    std::string topic;
};

// What each control of a dialog carries, as the running dialog reports it.
std::vector<ControlHelp> Survey(HWND dialog) {
    std::vector<ControlHelp> out;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        wchar_t className[32] = L"";
        GetClassNameW(c, className, 32);
        DWORD contextId = GetWindowContextHelpId(c);
        out.push_back({GetDlgCtrlID(c), UiFromWide(className), contextId, HelpTopicText(contextId)});
    }
    return out;
}

std::map<UINT, std::vector<ControlHelp>> g_surveys;
std::map<UINT, bool> g_helpButton;

void SurveyDialog(CDialog& dialog) {
    UINT id = 0;
    if (dynamic_cast<CPropertyDlg*>(&dialog)) id = IDD_PROPERTY;
    if (dynamic_cast<CCreaterListDlg*>(&dialog)) id = IDD_AUTHOR_LIST;
    if (dynamic_cast<CNewCreaterDlg*>(&dialog)) id = IDD_NEW_AUTHOR;
    if (dynamic_cast<CPelorandChangerStart*>(&dialog)) id = IDD_CHANGER_START;
    if (dynamic_cast<CAboutDlg*>(&dialog)) id = IDD_ABOUTBOX;
    g_surveys[id] = Survey(dialog.m_hWnd);
    g_helpButton[id] = (GetWindowLongPtrW(dialog.m_hWnd, GWL_EXSTYLE) & WS_EX_CONTEXTHELP) != 0;
    SendMessageW(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

DWORD Expected(UINT dialog, int control) {
    return 0x80000000u + dialog * 65536u + static_cast<DWORD>(control);
}

}  // namespace

TEST_F(EditorTest, EveryControlWithAHelpIdHasATopicAndTextsBoxesIconsOkAndCancelHaveNone) {
    ASSERT_TRUE(OpenEditor());
    g_surveys.clear();
    CDialog::s_onShown = SurveyDialog;
    {
        CPropertyDlg properties(Settings());
        properties.DoModal();
        CCreaterListDlg authors(Settings());
        authors.DoModal();
        CNewCreaterDlg newAuthor;
        newAuthor.DoModal();
        CPelorandChangerStart start(Settings());
        start.DoModal();
        CAboutDlg about;
        about.DoModal();
    }
    CDialog::s_onShown = nullptr;
    bool sheetHelp = false;
    static std::function<void(HWND)> visit;
    visit = [&](HWND sheet) {
        const UINT pages[] = {IDD_OPTION_CHANGER, IDD_OPTION_ENDFILE, IDD_OPTION_INFO,
                              IDD_OPTION_IMAGE};
        for (int i = 0; i < 4; ++i) {
            SendMessageW(sheet, PSM_SETCURSEL, static_cast<WPARAM>(i), 0);
            HWND page = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
            g_surveys[pages[i]] = Survey(page);
        }
        sheetHelp = (GetWindowLongPtrW(sheet, GWL_EXSTYLE) & WS_EX_CONTEXTHELP) != 0;
        SendMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    };
    CPropertySheet::s_onShown = [](HWND sheet) { visit(sheet); };
    {
        CPelorandOption options(Settings());
        options.DoModal();
    }
    CPropertySheet::s_onShown = nullptr;
    EXPECT_TRUE(sheetHelp);
    for (UINT id : {IDD_PROPERTY, IDD_AUTHOR_LIST, IDD_NEW_AUTHOR, IDD_CHANGER_START}) {
        EXPECT_TRUE(g_helpButton[id]) << id;
    }

    // The controls that carry help, dialog by dialog.
    const std::map<UINT, std::set<int>> withHelp = {
        {IDD_PROPERTY,
         {1000, 1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1009, 1010, 1011, 1012, 1013}},
        {IDD_AUTHOR_LIST, {1031, 1032, 1033}},
        {IDD_NEW_AUTHOR, {1034}},
        {IDD_CHANGER_START, {IDC_EXECUTE_CHECK}},
        {IDD_ABOUTBOX, {}},
        {IDD_OPTION_CHANGER, {1002, 1003, 1004, 1005, 1060, 1061, 1063}},
        {IDD_OPTION_ENDFILE, {1006, 1011, 1013}},
        {IDD_OPTION_INFO, {1020, 1022, 1023, 1024, 1026, 1027, 1028, 1029, 1062}},
        {IDD_OPTION_IMAGE, {1006, 1045, 1046, 1047, 1049}},
    };
    std::set<std::string> topics;
    for (const auto& [dialog, ids] : withHelp) {
        ASSERT_TRUE(g_surveys.count(dialog)) << dialog;
        std::set<int> found;
        for (const ControlHelp& c : g_surveys[dialog]) {
            bool isFrameOrText = c.className == "Static";
            if (c.contextId == 0) {
                EXPECT_TRUE(c.topic.empty());
                continue;
            }
            found.insert(c.id);
            EXPECT_FALSE(isFrameOrText) << dialog << ":" << c.id;
            EXPECT_NE(c.id, IDOK);
            EXPECT_NE(c.id, IDCANCEL);
            DWORD expected = dialog == IDD_OPTION_ENDFILE && c.id == 1011
                                 ? Expected(IDD_PROPERTY, 1011)
                                 : Expected(dialog, c.id);
            EXPECT_EQ(c.contextId, expected) << dialog << ":" << c.id;
            EXPECT_FALSE(c.topic.empty()) << dialog << ":" << c.id;
            topics.insert(c.topic);
        }
        EXPECT_EQ(found, ids) << dialog;
        // Group boxes, texts, icons, frames, OK and cancel are there and carry nothing.
        int without = 0;
        for (const ControlHelp& c : g_surveys[dialog]) without += c.contextId == 0;
        EXPECT_GT(without, 0) << dialog;
    }
    // The example the rule gives, and one topic per id (the shared file button once).
    EXPECT_EQ(Expected(IDD_PROPERTY, 1000), 2156004328u);
    EXPECT_EQ(topics.size(), 42u);
    // Nothing outside the rule has a topic.
    EXPECT_TRUE(HelpTopicText(Expected(IDD_PROPERTY, IDOK)).empty());
    EXPECT_TRUE(HelpTopicText(Expected(IDD_OPTION_ENDFILE, 1011)).empty());
    EXPECT_TRUE(HelpTopicText(Expected(IDD_CHANGER_START, IDC_CHANGER_START_OK)).empty());
    EXPECT_TRUE(HelpTopicText(1000).empty());
}

namespace {
std::function<void(CDialog&)> g_helpScript;
}  // namespace

TEST_F(EditorTest, F1OnAControlShowsItsTopicInAPopUpThatAKeyOrClickClosesAndElseThePage) {
    ASSERT_TRUE(OpenEditor());
    std::vector<std::string> pages;
    m_app->m_helpHook = [&](const std::string& page) {
        pages.push_back(page);
        return true;
    };
    std::string shown, afterKey, afterClick;
    bool closedByKey = false, closedByClick = false, closedByFocus = false, replaced = false;
    RECT control{}, popup{};
    g_helpScript = [&](CDialog& dialog) {
        HWND priority = dialog.GetDlgItem(IDC_PROP_PRIORITY);
        HELPINFO help{sizeof help,
                      HELPINFO_WINDOW,
                      IDC_PROP_PRIORITY,
                      priority,
                      GetWindowContextHelpId(priority),
                      {0, 0}};
        SendMessageW(dialog.m_hWnd, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
        HWND pop = CHelpPopup::Current();
        if (pop) {
            shown = GetWindowTextUi(pop);
            GetWindowRect(priority, &control);
            GetWindowRect(pop, &popup);
            SendMessageW(pop, WM_KEYDOWN, VK_ESCAPE, 0);
            closedByKey = CHelpPopup::Current() == nullptr;
        }
        // A second request replaces the first pop-up; a click closes it.
        HWND name = dialog.GetDlgItem(IDC_PROP_NAME);
        help.hItemHandle = name;
        help.iCtrlId = IDC_PROP_NAME;
        SendMessageW(dialog.m_hWnd, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
        HWND first = CHelpPopup::Current();
        help.hItemHandle = priority;
        SendMessageW(dialog.m_hWnd, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
        replaced = first && !IsWindow(first) && CHelpPopup::Current();
        if (HWND second = CHelpPopup::Current()) {
            SendMessageW(second, WM_LBUTTONDOWN, MK_LBUTTON, 0);
            closedByClick = CHelpPopup::Current() == nullptr;
        }
        // Going back to the dialog closes it as well.
        SendMessageW(dialog.m_hWnd, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
        if (CHelpPopup::Current()) {
            SetFocus(priority);
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
            closedByFocus = CHelpPopup::Current() == nullptr;
        }
        // A group box has no topic: the help page opens instead.
        HWND group = nullptr;
        for (HWND c = GetWindow(dialog.m_hWnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            if ((GetWindowLongPtrW(c, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX) group = c;
        }
        help.hItemHandle = group;
        help.iCtrlId = -1;
        SendMessageW(dialog.m_hWnd, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
        SendMessageW(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    };
    CDialog::s_onShown = [](CDialog& dialog) { g_helpScript(dialog); };
    CPropertyDlg dialog(Settings());
    dialog.DoModal();
    CDialog::s_onShown = nullptr;
    g_helpScript = nullptr;

    EXPECT_EQ(shown,
              "優先度を選びます。ランダムに壁紙を選ぶとき、上の段ほど選ばれやすくなります。");
    EXPECT_TRUE(closedByKey);
    EXPECT_TRUE(replaced);
    EXPECT_TRUE(closedByClick);
    EXPECT_TRUE(closedByFocus);
    // Near the control: just below it, from the keyboard.
    EXPECT_LE(popup.top - control.bottom, 8);
    EXPECT_GE(popup.top, control.bottom);
    EXPECT_EQ(pages.size(), 1u);
}

namespace {
void CollectCommands(HMENU menu, std::set<UINT>& ids) {
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
            CollectCommands(sub, ids);
        } else if (UINT id = GetMenuItemID(menu, i); id != 0 && id != static_cast<UINT>(-1)) {
            ids.insert(id);
        }
    }
}
}  // namespace

TEST_F(EditorTest, TheHelpPageNamesEveryHelpIdOfTheDialogsAndEveryCommandOfTheMenus) {
    std::string page = ReadBytes(PELORAND_HELP_PAGE);
    ASSERT_GT(page.size(), 1000u) << PELORAND_HELP_PAGE;
    int topics = 0;
    for (UINT dialog :
         {IDD_PROPERTY, IDD_AUTHOR_LIST, IDD_NEW_AUTHOR, IDD_CHANGER_START, IDD_OPTION_CHANGER,
          IDD_OPTION_ENDFILE, IDD_OPTION_INFO, IDD_OPTION_IMAGE}) {
        for (UINT control = 1000; control < 1100; ++control) {
            DWORD id = 0x80000000u + dialog * 65536u + control;
            if (HelpTopicText(id).empty()) continue;
            ++topics;
            EXPECT_NE(page.find("id=\"h" + std::to_string(id) + "\""), std::string::npos) << id;
        }
    }
    EXPECT_EQ(topics, 42);
    std::set<UINT> commands;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    for (UINT menuId : {IDR_MAINFRAME, IDR_FOLDER_POPUP, IDR_LIST_POPUP, IDR_CHANGER_POPUP}) {
        HMENU menu = LoadMenuW(instance, MAKEINTRESOURCEW(menuId));
        ASSERT_NE(menu, nullptr);
        CollectCommands(menu, commands);
        DestroyMenu(menu);
    }
    EXPECT_GT(commands.size(), 20u);
    for (UINT id : commands) {
        EXPECT_NE(page.find(std::to_string(id)), std::string::npos) << "command " << id;
    }
}
