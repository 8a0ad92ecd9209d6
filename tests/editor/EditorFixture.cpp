#include "EditorFixture.h"

#include <commctrl.h>
#include <ole2.h>

#include <cstdio>

#include "app/RegistrySettingsStore_win.h"
#include "doc/PelorandDoc.h"
#include "fw/CommonDialogs.h"
#include "fw/SingleDocTemplate.h"
#include "model/CollectionFile.h"
#include "model/Settings.h"
#include "ui/MainFrame.h"
#include "views/ImageHtmlView.h"
#include "views/PelorandListView.h"
#include "views/PelorandTreeView.h"
#include "win/Strconv.h"

const char EditorTest::kCompany[] = "TesmarinEditorTest";

void EditorTest::SetUp() {
    InitPlatform();
    RegDeleteTreeW(HKEY_CURRENT_USER, ToWide(std::string("Software\\") + kCompany).c_str());
    m_app = std::make_unique<TestApp>();
    m_app->SetRegistryKey(kCompany);
    m_app->LoadStdProfileSettings(8);
    m_app->m_messageBoxHook = [this](const std::string& text, UINT) {
        m_messages.push_back(text);
        return m_answer;
    };
    m_tempDir = TempFolderPath() + "pelorand_editor_test\\";
    CreateDirectoryW(ToWide(m_tempDir).c_str(), nullptr);
    // Recovery copies go to a folder of the tests', never the user's own.
    m_app->SetRecoveryFolder(m_tempDir + "recovery");
}

void EditorTest::TearDown() {
    TestCommonDialogHooks() = CommonDialogHooks();
    CloseEditor();
    m_app.reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, ToWide(std::string("Software\\") + kCompany).c_str());
}

bool EditorTest::OpenEditor(const std::string& path) {
    return m_app->CreateEditor(path);
}

void EditorTest::CloseEditor() {
    if (m_app && m_app->GetDocTemplate()) m_app->GetDocTemplate()->CloseAll();
    // Closing the main window asks the loop to quit; there is no loop here to take it.
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

CMainFrame* EditorTest::Frame() const {
    return static_cast<CMainFrame*>(m_app->GetDocTemplate()->GetFrame());
}

CPelorandTreeView* EditorTest::TreeView() const {
    return Frame() ? dynamic_cast<CPelorandTreeView*>(Frame()->GetViews()[0]) : nullptr;
}

CPelorandListView* EditorTest::ListView() const {
    return Frame() ? dynamic_cast<CPelorandListView*>(Frame()->GetViews()[1]) : nullptr;
}

CImageHtmlView* EditorTest::ImageView() const {
    return Frame() ? dynamic_cast<CImageHtmlView*>(Frame()->GetViews()[2]) : nullptr;
}

CPelorandDoc* EditorTest::Doc() const {
    return static_cast<CPelorandDoc*>(m_app->GetDocTemplate()->GetDocument());
}

CSettings& EditorTest::Settings() const {
    return m_app->Settings();
}

void EditorTest::Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    m_app->OnIdle(0);
}

std::string EditorTest::TempPath(const std::string& name) const {
    return m_tempDir + name;
}

void EditorTest::WriteBytes(const std::string& path, const std::string& bytes) {
    std::FILE* file = OpenStdioFile(path, "wb");
    if (!file) return;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

std::string EditorTest::ReadBytes(const std::string& path) {
    std::string bytes;
    std::FILE* file = OpenStdioFile(path, "rb");
    if (!file) return bytes;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) bytes.append(buffer, n);
    std::fclose(file);
    return bytes;
}
