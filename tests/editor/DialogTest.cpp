// Dialogs beyond the modal data-exchange case: modeless ones and their keyboard, results of
// notifications, notifications and commands handed back to the controls, title-bar help, a
// dialog as the main window, and property sheets with pages created when first shown.
#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EditorFixture.h"
#include "fw/DataExchange.h"
#include "fw/Dialog.h"
#include "fw/PropertyPage.h"
#include "fw/PropertySheet.h"
#include "win/Strconv.h"

namespace {

constexpr UINT kNotifyAnswered = 0x4242;  // a notification code the dialog answers
constexpr UINT kNotifyReflected = 0x4343;

// An edit control of ours: it answers its own notifications and sees its own commands.
class ReflectingEdit : public CWnd {
  public:
    std::vector<UINT> commands;

  protected:
    bool OnReflectNotify(NMHDR* header, LRESULT& result) override {
        if (header->code != kNotifyReflected) return false;
        result = 7;
        return true;
    }
    bool OnReflectCommand(UINT code) override {
        commands.push_back(code);
        return true;
    }
};

class ModelessDialog : public CDialog {
  public:
    ModelessDialog() : CDialog(930) {}
    ReflectingEdit m_edit;
    std::vector<int> m_helpFor;
    bool m_destroyed = false;

  protected:
    bool OnInitDialog() override {
        m_edit.SubclassWindow(GetDlgItem(932));
        return CDialog::OnInitDialog();
    }
    bool OnNotify(NMHDR* header, LRESULT& result) override {
        if (header->code != kNotifyAnswered) return false;
        result = 42;
        return true;
    }
    bool OnHelp(const HELPINFO& info) override {
        m_helpFor.push_back(info.iCtrlId);
        return true;
    }
    void PostNcDestroy() override { m_destroyed = true; }
};

using DialogTest = EditorTest;

}  // namespace

TEST_F(DialogTest, AModelessDialogAnswersNotificationsReflectsToControlsRoutesHelpAndEnds) {
    ModelessDialog dialog;
    ASSERT_TRUE(dialog.Create());
    ShowWindow(dialog.m_hWnd, SW_SHOW);

    // A notification's result reaches the sender through DWLP_MSGRESULT.
    NMHDR header{dialog.GetDlgItem(931), 931, kNotifyAnswered};
    EXPECT_EQ(SendMessageW(dialog.m_hWnd, WM_NOTIFY, 931, reinterpret_cast<LPARAM>(&header)), 42);
    // One the dialog leaves alone goes to the control's own object, result included.
    header = NMHDR{dialog.GetDlgItem(932), 932, kNotifyReflected};
    EXPECT_EQ(SendMessageW(dialog.m_hWnd, WM_NOTIFY, 932, reinterpret_cast<LPARAM>(&header)), 7);
    SendMessageW(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(932, EN_CHANGE),
                 reinterpret_cast<LPARAM>(dialog.GetDlgItem(932)));
    EXPECT_EQ(dialog.m_edit.commands, std::vector<UINT>{EN_CHANGE});

    // F1 or the title-bar "?" on a control.
    HELPINFO help{sizeof help, HELPINFO_WINDOW, 933, dialog.GetDlgItem(933), 0, {0, 0}};
    SendMessageW(dialog.m_hWnd, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
    EXPECT_EQ(dialog.m_helpFor, std::vector<int>{933});

    // The loop offers the dialog its keys: Tab moves between its controls.
    SetFocus(dialog.GetDlgItem(931));
    MSG tab{dialog.GetDlgItem(931), WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    EXPECT_TRUE(m_app->PreTranslateMessage(&tab));
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), 932);

    // OK ends a modeless dialog by destroying it; it leaves the loop's filters.
    SendMessageW(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(dialog.m_destroyed);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    MSG key{GetDesktopWindow(), WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    EXPECT_FALSE(m_app->PreTranslateMessage(&key));
}

TEST_F(DialogTest, ADialogCanBeTheMainWindowAndItsEndEndsTheLoop) {
    ModelessDialog dialog;
    ASSERT_TRUE(dialog.Create());
    m_app->m_pMainWnd = &dialog;
    dialog.DestroyWindow();
    EXPECT_EQ(m_app->m_pMainWnd, nullptr);
    MSG msg;
    bool quit = false;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) quit |= msg.message == WM_QUIT;
    EXPECT_TRUE(quit);
}

namespace {

std::vector<std::string> g_events;

class NumberPage : public CPropertyPage {
  public:
    NumberPage() : CPropertyPage(910) {}
    int m_nValue = 5;
    int m_nApplied = 0;

  protected:
    bool DoDataExchange(CDataExchange& dx) override {
        return DDX_Text(dx, 911, m_nValue) && DDV_MinMaxInt(dx, m_nValue, 1, 100);
    }
    bool OnApply() override {
        g_events.push_back("apply number " + std::to_string(m_nValue));
        m_nApplied = m_nValue;
        return true;
    }
    void OnReset() override { g_events.push_back("reset number"); }
};

class CheckPage : public CPropertyPage {
  public:
    CheckPage() : CPropertyPage(920) {}
    int m_nCheck = 0;

  protected:
    bool DoDataExchange(CDataExchange& dx) override { return DDX_Check(dx, 921, m_nCheck); }
    bool OnSetActive() override {
        g_events.push_back("show check");
        return true;
    }
    bool OnApply() override {
        g_events.push_back("apply check " + std::to_string(m_nCheck));
        return true;
    }
};

struct SheetRun {
    NumberPage* number;
    CheckPage* check;
    std::vector<std::string> notes;
    void (*script)(HWND sheet, SheetRun& run);
};
SheetRun* g_run = nullptr;

HWND CurrentPage(HWND sheet) {
    return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

}  // namespace

TEST_F(DialogTest, APropertySheetChecksThePageLeftAndAppliesEveryPageShown) {
    NumberPage number;
    CheckPage check;
    SheetRun run{&number, &check, {}, nullptr};
    run.script = [](HWND sheet, SheetRun& r) {
        r.notes.push_back(r.check->m_hWnd ? "check made" : "check not made");
        EXPECT_EQ(CurrentPage(sheet), r.number->m_hWnd);
        // A bad number keeps its page in front.
        SetDlgItemTextUi(r.number->m_hWnd, 911, "abc");
        SendMessageW(sheet, PSM_SETCURSEL, 1, 0);
        r.notes.push_back(CurrentPage(sheet) == r.number->m_hWnd ? "stayed" : "left");
        SetDlgItemTextUi(r.number->m_hWnd, 911, "50");
        SendMessageW(sheet, PSM_SETCURSEL, 1, 0);
        r.notes.push_back(CurrentPage(sheet) == r.check->m_hWnd ? "on check" : "not on check");
        CheckDlgButton(r.check->m_hWnd, 921, BST_CHECKED);
        SendMessageW(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    };
    g_run = &run;
    g_events.clear();
    CPropertySheet::s_onShown = [](HWND sheet) { g_run->script(sheet, *g_run); };
    CPropertySheet sheet("設定");
    sheet.AddPage(&number);
    sheet.AddPage(&check);
    INT_PTR result = sheet.DoModal();
    CPropertySheet::s_onShown = nullptr;

    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(run.notes, (std::vector<std::string>{"check not made", "stayed", "on check"}));
    EXPECT_EQ(m_messages, std::vector<std::string>{"整数を入力してください。"});
    EXPECT_EQ(g_events,
              (std::vector<std::string>{"show check", "apply number 50", "apply check 1"}));
    EXPECT_EQ(number.m_nApplied, 50);
    EXPECT_EQ(number.m_hWnd, nullptr);  // the pages went with the sheet
}

TEST_F(DialogTest, APropertySheetAppliesOnlyPagesShownAndCancelResetsThem) {
    NumberPage number;
    CheckPage check;
    SheetRun run{&number, &check, {}, nullptr};
    g_run = &run;
    CPropertySheet::s_onShown = [](HWND sheet) {
        SendMessageW(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    };
    g_events.clear();
    {
        CPropertySheet sheet("設定");
        sheet.AddPage(&number);
        sheet.AddPage(&check);
        EXPECT_EQ(sheet.DoModal(), IDOK);
    }
    EXPECT_EQ(g_events, std::vector<std::string>{"apply number 5"});

    CPropertySheet::s_onShown = [](HWND sheet) {
        SetDlgItemTextUi(g_run->number->m_hWnd, 911, "77");
        SendMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    };
    g_events.clear();
    {
        CPropertySheet sheet("設定");
        sheet.AddPage(&number);
        sheet.AddPage(&check);
        EXPECT_EQ(sheet.DoModal(), IDCANCEL);
    }
    CPropertySheet::s_onShown = nullptr;
    EXPECT_EQ(g_events, std::vector<std::string>{"reset number"});
    EXPECT_EQ(number.m_nValue, 5);
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(DialogTest, ASheetGrowsToItsPagesInTheirOwnFontAndOpensCentredOverItsOwnerOnAnyCodePage) {
    ASSERT_TRUE(m_app->CreateEditor(""));
    HWND owner = m_app->m_pMainWnd->m_hWnd;
    SetWindowPos(owner, nullptr, 40, 30, 900, 700, SWP_NOZORDER);
    CPropertyPage large(940);
    static RECT s_needed, s_page, s_frame, s_sheet, s_ok, s_tab;
    static wchar_t s_caption[32];
    CPropertySheet::s_onShown = [](HWND sheet) {
        InternalGetWindowText(sheet, s_caption, 32);
        HWND page = CurrentPage(sheet);
        s_needed = RECT{0, 0, 200, 80};
        MapDialogRect(page, &s_needed);
        GetClientRect(page, &s_page);
        GetWindowRect(GetDlgItem(page, 941), &s_frame);
        GetClientRect(sheet, &s_sheet);
        MapWindowPoints(sheet, nullptr, reinterpret_cast<POINT*>(&s_sheet), 2);
        GetWindowRect(GetDlgItem(sheet, IDOK), &s_ok);
        GetWindowRect(reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0)), &s_tab);
        GetWindowRect(sheet, &s_sheet);
        SendMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    };
    CPropertySheet sheet("設定", owner);
    sheet.AddPage(&large);
    sheet.DoModal();
    CPropertySheet::s_onShown = nullptr;
    EXPECT_STREQ(L"\u8a2d\u5b9a", s_caption);  // 設定
    // The whole page shows, its frame inside the sheet, the buttons below the tab.
    EXPECT_GE(s_page.right, s_needed.right);
    EXPECT_GE(s_page.bottom, s_needed.bottom);
    EXPECT_LT(s_frame.right, s_tab.right);
    EXPECT_LT(s_tab.right, s_sheet.right);
    EXPECT_GE(s_ok.top, s_tab.bottom);
    EXPECT_LT(s_ok.right, s_sheet.right);
    // Centred over the owner (40 + 900 / 2, 30 + 700 / 2).
    EXPECT_NEAR((s_sheet.left + s_sheet.right) / 2, 490, 2);
    EXPECT_NEAR((s_sheet.top + s_sheet.bottom) / 2, 380, 2);
}

TEST_F(DialogTest, KeysInAModelessDialogAreTheDialogsNotTheMainWindowsShortcuts) {
    ASSERT_TRUE(m_app->CreateEditor(""));
    std::vector<std::string> pages;
    m_app->m_helpHook = [&](const std::string& page) {
        pages.push_back(page);
        return true;
    };
    ModelessDialog dialog;
    ASSERT_TRUE(dialog.Create());
    ShowWindow(dialog.m_hWnd, SW_SHOW);
    MSG f1{dialog.GetDlgItem(931), WM_KEYDOWN, VK_F1, 0, 0, {0, 0}};
    EXPECT_TRUE(m_app->PreTranslateMessage(&f1));
    EXPECT_TRUE(pages.empty());  // F1 is the main window's help key, but not here
    // The main window's own keys still work.
    HWND frame = m_app->m_pMainWnd->m_hWnd;
    MSG frameF1{frame, WM_KEYDOWN, VK_F1, 0, 0, {0, 0}};
    EXPECT_TRUE(m_app->PreTranslateMessage(&frameF1));
    EXPECT_EQ(pages.size(), 1u);
    dialog.DestroyWindow();
}
