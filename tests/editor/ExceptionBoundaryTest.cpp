// Exceptions never cross into Windows: one thrown in an idle handler, a message filter, a
// command handler, a dialog handler, WM_CREATE or a worker's job is reported through the
// application's message box, and the program goes on (or the window is not created).
#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "EditorFixture.h"
#include "fw/Archive.h"
#include "fw/CmdUI.h"
#include "fw/Dialog.h"
#include "fw/Document.h"
#include "fw/FrameWnd.h"
#include "fw/Ids.h"
#include "fw/Worker.h"

namespace {

const std::string kReport = "予期しないエラーが発生しました。\n";
constexpr unsigned kThrowCmd = 40101;
constexpr unsigned kQuietCmd = 40102;

class ThrowingDoc : public CDocument {
  public:
    void Serialize(CArchive&) override {}
    bool OnCmdMsg(unsigned id, CCmdUI* ui) override {
        if (id != kThrowCmd && id != kQuietCmd) return false;
        if (!ui && id == kThrowCmd) throw std::runtime_error("command failed");
        if (!ui) ++m_quiet;
        return true;
    }
    int m_quiet = 0;
};

class PlainFrame : public CFrameWnd {
  public:
    bool m_throwAtCreate = false;

  protected:
    bool OnCreateClient(CREATESTRUCTW*, CDocument*) override {
        if (m_throwAtCreate) throw std::runtime_error("create failed");
        return true;
    }
};

// Throws at the messages it is told to, once it is a filter of the loop.
class ThrowingFilter : public CWnd {
  public:
    bool PreTranslateMessage(MSG* msg) override {
        if (msg->message == WM_FW_PROGRAM_FIRST + 5) throw std::runtime_error("filter failed");
        return false;
    }
};

class ThrowingDialog : public CDialog {
  public:
    ThrowingDialog() : CDialog(900) {}
    bool m_throwAtInit = false;

  protected:
    bool OnInitDialog() override {
        if (m_throwAtInit) throw std::runtime_error("init failed");
        return CDialog::OnInitDialog();
    }
    bool OnCommand(UINT id, UINT) override {
        if (id == 950) throw std::runtime_error("dialog failed");
        return false;
    }
};

using ExceptionBoundaryTest = EditorTest;

}  // namespace

TEST_F(ExceptionBoundaryTest, IdleAndFilterFailuresAreReportedAndTheLoopRunsOn) {
    int idleCalls = 0;
    m_app->m_idleHook = [&] {
        if (++idleCalls == 1) throw std::runtime_error("idle failed");
        PostQuitMessage(3);  // idling again after the failure: the loop is alive
    };
    ThrowingFilter filter;
    m_app->AddMessageFilter(&filter);
    PostMessageW(nullptr, WM_FW_PROGRAM_FIRST + 5, 0, 0);  // a thread message: only the filter sees it
    // After a failure idling waits for the next message: a timer brings one.
    UINT_PTR timer = SetTimer(nullptr, 0, 20, nullptr);
    int code = m_app->Run();
    KillTimer(nullptr, timer);
    m_app->RemoveMessageFilter(&filter);
    m_app->m_idleHook = nullptr;

    EXPECT_EQ(code, 3);  // the loop ran on to the quit message
    EXPECT_EQ(idleCalls, 2);
    EXPECT_EQ(m_messages,
              (std::vector<std::string>{kReport + "filter failed", kReport + "idle failed"}));
}

TEST_F(ExceptionBoundaryTest, CommandAndDialogFailuresAreReportedAndTheWindowsStay) {
    ThrowingDoc doc;
    PlainFrame frame;
    ASSERT_TRUE(frame.LoadFrame(128, &doc));
    frame.InitialUpdateFrame(&doc, false);
    SendMessageW(frame.m_hWnd, WM_COMMAND, MAKEWPARAM(kThrowCmd, 0), 0);
    SendMessageW(frame.m_hWnd, WM_COMMAND, MAKEWPARAM(kQuietCmd, 0), 0);
    EXPECT_TRUE(IsWindow(frame.m_hWnd));
    EXPECT_EQ(doc.m_quiet, 1);
    EXPECT_EQ(m_messages, std::vector<std::string>{kReport + "command failed"});
    frame.DestroyWindow();

    m_messages.clear();
    CDialog::s_onShown = [](CDialog& dialog) {
        SendMessageW(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(950, BN_CLICKED), 0);
        EXPECT_TRUE(IsWindow(dialog.m_hWnd));
        dialog.EndDialog(IDCANCEL);
    };
    ThrowingDialog dialog;
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    // A dialog that cannot fill itself is not shown at all.
    ThrowingDialog broken;
    broken.m_throwAtInit = true;
    EXPECT_EQ(broken.DoModal(), -1);
    CDialog::s_onShown = nullptr;
    EXPECT_EQ(m_messages,
              (std::vector<std::string>{kReport + "dialog failed", kReport + "init failed"}));
}

TEST_F(ExceptionBoundaryTest, AFailureInWmCreateFailsTheCreation) {
    ThrowingDoc doc;
    PlainFrame frame;
    frame.m_throwAtCreate = true;
    EXPECT_FALSE(frame.LoadFrame(128, &doc));
    EXPECT_EQ(frame.m_hWnd, nullptr);
    EXPECT_EQ(m_messages, std::vector<std::string>{kReport + "create failed"});
}

TEST_F(ExceptionBoundaryTest, AWorkersFailureIsReportedOnItsWindowsThread) {
    PlainFrame frame;
    ThrowingDoc doc;
    ASSERT_TRUE(frame.LoadFrame(128, &doc));
    CWorker worker(frame);
    ASSERT_TRUE(worker.Start([](CWorkerJob&) { throw std::runtime_error("decode failed"); }));
    worker.WaitUpTo(INFINITE);
    EXPECT_TRUE(m_messages.empty());  // not from the worker's thread
    Pump();
    EXPECT_EQ(m_messages, std::vector<std::string>{kReport + "decode failed"});
    frame.DestroyWindow();
}
