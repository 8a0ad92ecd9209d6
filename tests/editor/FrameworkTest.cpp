// The framework's command routing and enabling, and data exchange, with small classes of
// the tests' own.
#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EditorFixture.h"
#include "fw/Archive.h"
#include "fw/CmdUI.h"
#include "fw/DataExchange.h"
#include "fw/Dialog.h"
#include "fw/Document.h"
#include "fw/FrameWnd.h"
#include "fw/TreeView.h"
#include "win/Handles.h"
#include "win/Strconv.h"

namespace {

constexpr unsigned kViewCmd = 40001;    // the view handles it
constexpr unsigned kSharedCmd = 40002;  // the view and the document handle it
constexpr unsigned kDocCmd = 40003;     // only the document
constexpr unsigned kOffCmd = 40004;     // the document handles it, disabled
constexpr unsigned kNobodyCmd = 40005;  // nobody

std::vector<std::string> g_log;

class LogView : public CTreeView {
  public:
    bool OnCmdMsg(unsigned id, CCmdUI* ui) override {
        if (id != kViewCmd && id != kSharedCmd) return false;
        if (!ui) g_log.push_back("view " + std::to_string(id));
        return true;
    }
};

class LogDoc : public CDocument {
  public:
    void Serialize(CArchive&) override {}
    bool OnCmdMsg(unsigned id, CCmdUI* ui) override {
        if (id != kSharedCmd && id != kDocCmd && id != kOffCmd) return false;
        if (ui) {
            ui->Enable(id != kOffCmd);
            ui->SetCheck(id == kDocCmd ? 1 : 0);
        } else {
            g_log.push_back("doc " + std::to_string(id));
        }
        return true;
    }
};

class LogFrame : public CFrameWnd {
  public:
    std::vector<CView*> GetViews() const override { return {const_cast<LogView*>(&m_view)}; }
    LogView m_view;

  protected:
    bool OnCreateClient(CREATESTRUCTW*, CDocument* doc) override {
        return m_view.Create(m_hWnd, 59648, SIZE{100, 100}, doc);
    }
};

using FrameworkTest = EditorTest;

}  // namespace

TEST_F(FrameworkTest, CommandsGoToTheActiveViewThenTheDocumentAndShortcutsHonourTheirState) {
    LogDoc doc;
    LogFrame frame;
    ASSERT_TRUE(frame.LoadFrame(128, &doc));
    frame.InitialUpdateFrame(&doc, false);
    ASSERT_EQ(frame.GetActiveView(), &frame.m_view);
    g_log.clear();

    // Menu and toolbar commands (code 0) and shortcuts (code 1) arrive as WM_COMMAND.
    SendMessageW(frame.m_hWnd, WM_COMMAND, MAKEWPARAM(kSharedCmd, 0), 0);
    SendMessageW(frame.m_hWnd, WM_COMMAND, MAKEWPARAM(kDocCmd, 1), 0);
    SendMessageW(frame.m_hWnd, WM_COMMAND, MAKEWPARAM(kOffCmd, 1), 0);  // disabled: ignored
    SendMessageW(frame.m_hWnd, WM_COMMAND, MAKEWPARAM(kNobodyCmd, 1), 0);
    EXPECT_EQ(g_log, (std::vector<std::string>{"view 40002", "doc 40003"}));

    // Without an active view the document is asked first.
    frame.SetActiveView(nullptr, false);
    g_log.clear();
    SendMessageW(frame.m_hWnd, WM_COMMAND, MAKEWPARAM(kSharedCmd, 0), 0);
    SendMessageW(frame.m_hWnd, WM_COMMAND, MAKEWPARAM(kViewCmd, 0), 0);
    EXPECT_EQ(g_log, (std::vector<std::string>{"doc 40002"}));

    // A menu shows each command's state; commands nobody runs are greyed.
    frame.SetActiveView(&frame.m_view, false);
    CUniqueMenu menu(CreatePopupMenu());
    HMENU popup = menu.Get();
    for (unsigned id : {kViewCmd, kDocCmd, kOffCmd, kNobodyCmd}) {
        AppendMenuW(popup, MF_STRING, id, L"x");
    }
    SendMessageW(frame.m_hWnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
    auto state = [&](unsigned id) { return GetMenuState(popup, id, MF_BYCOMMAND); };
    EXPECT_FALSE(state(kViewCmd) & MF_GRAYED);  // a handler without a state handler: enabled
    EXPECT_FALSE(state(kDocCmd) & MF_GRAYED);
    EXPECT_TRUE(state(kDocCmd) & MF_CHECKED);
    EXPECT_TRUE(state(kOffCmd) & MF_GRAYED);
    EXPECT_TRUE(state(kNobodyCmd) & MF_GRAYED);
    frame.DestroyWindow();
}

namespace {

class NumberDialog : public CDialog {
  public:
    NumberDialog() : CDialog(900) {}
    int m_nSeconds = 600;
    unsigned m_nCount = 3;

  protected:
    bool DoDataExchange(CDataExchange& dx) override {
        return DDX_Text(dx, 901, m_nSeconds) && DDV_MinMaxInt(dx, m_nSeconds, 1, 3600) &&
               DDX_Text(dx, 902, m_nCount);
    }
};

struct DialogScript {
    std::vector<std::pair<std::string, std::string>> inputs;  // texts of 901 and 902, per try
    std::vector<bool> stillOpen;
    std::vector<int> focused;
    std::vector<std::string> shown;  // 901's text as the dialog opened
};
DialogScript* g_script = nullptr;

void RunScript(CDialog& dialog) {
    HWND hwnd = dialog.m_hWnd;
    ShowWindow(hwnd, SW_SHOW);  // as the dialog manager does once it is idle
    g_script->shown.push_back(GetDlgItemTextUi(hwnd, 901));
    for (const auto& [seconds, count] : g_script->inputs) {
        SetDlgItemTextUi(hwnd, 901, seconds);
        SetDlgItemTextUi(hwnd, 902, count);
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        // Ending a dialog hides it at once.
        g_script->stillOpen.push_back(IsWindowVisible(hwnd) != 0);
        g_script->focused.push_back(GetDlgCtrlID(GetFocus()));
    }
}

}  // namespace

TEST_F(FrameworkTest, DataExchangeFailuresShowTheMessageFocusTheFieldAndKeepTheDialogOpen) {
    DialogScript script;
    script.inputs = {{"abc", "1"}, {"0", "1"}, {"60", "-2"}, {" 90 ", "12"}};
    g_script = &script;
    CDialog::s_onShown = RunScript;
    NumberDialog dialog;
    INT_PTR result = dialog.DoModal();
    CDialog::s_onShown = nullptr;
    g_script = nullptr;

    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(script.shown, std::vector<std::string>{"600"});
    EXPECT_EQ(m_messages, (std::vector<std::string>{"整数を入力してください。",
                                                    "1 から 3600 までの整数を入力してください。",
                                                    "正の整数を入力してください。"}));
    EXPECT_EQ(script.stillOpen, (std::vector<bool>{true, true, true, false}));
    EXPECT_EQ(script.focused[0], 901);
    EXPECT_EQ(script.focused[1], 901);
    EXPECT_EQ(script.focused[2], 902);
    EXPECT_EQ(dialog.m_nSeconds, 90);
    EXPECT_EQ(dialog.m_nCount, 12u);
}
