// Drives the real editor in-process: the application object, frame, views and document,
// with settings under a registry key of the tests' own and message boxes answered here.
#pragma once

#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/PelorandApp.h"

class CImageHtmlView;
class CMainFrame;
class CPelorandDoc;
class CPelorandListView;
class CPelorandTreeView;
class CSettings;

class TestApp : public CPelorandApp {
  public:
    bool InitInstance() override { return true; }
    bool OnIdle(long count) override {
        if (m_idleHook) m_idleHook();
        return CPelorandApp::OnIdle(count);
    }
    std::function<void()> m_idleHook;  // runs at each idle call
};

class EditorTest : public ::testing::Test {
  protected:
    static const char kCompany[];

    void SetUp() override;
    void TearDown() override;

    // Opens the editor on path (empty: a new collection). Settings must be in place before.
    bool OpenEditor(const std::string& path = std::string());
    void CloseEditor();
    CMainFrame* Frame() const;
    CPelorandDoc* Doc() const;
    // The frame's panes.
    CPelorandTreeView* TreeView() const;
    CPelorandListView* ListView() const;
    CImageHtmlView* ImageView() const;
    CSettings& Settings() const;
    // Handles the messages waiting in the queue, as the message loop would, then idles once.
    void Pump();

    std::string TempPath(const std::string& name) const;
    static void WriteBytes(const std::string& path, const std::string& bytes);
    static std::string ReadBytes(const std::string& path);

    std::unique_ptr<TestApp> m_app;
    std::vector<std::string> m_messages;  // texts of the message boxes shown
    int m_answer = IDOK;                  // what the user answers them
    std::string m_tempDir;
};
