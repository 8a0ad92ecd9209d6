// The changer window, the history dialog and the changer phase of the start-up, created for
// real and driven through the messages a user's actions send.
#include <windows.h>
// (commctrl.h needs the definitions of windows.h)
#include <commctrl.h>
// (the headers below need the definitions of windows.h)
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <functional>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "EditorFixture.h"
#include "Responsiveness.h"
#include "changer/ChangerEngine.h"
#include "changer/FileInfomationView_win.h"
#include "changer/PelorandChanger_win.h"
#include "changer/PelorandWallPaperHistory_win.h"
#include "changer/WallPaperHistory.h"
#include "changer/WallpaperSetter_win.h"
#include "doc/PelorandDoc.h"
#include "fw/CommonDialogs.h"
#include "fw/SingleDocTemplate.h"
#include "model/Block.h"
#include "model/Mbcs.h"
#include "model/Settings.h"
#include "model/SettingsStore.h"
#include "res/resource.h"
#include "ui/MainFrame.h"
#include "views/PelorandListView.h"
#include "views/PelorandTreeView.h"
#include "win/Handles.h"
#include "win/Strconv.h"

namespace {

const unsigned char kGreenJpeg[] = {
    0xff, 0xd8, 0xff, 0xe0, 0x00, 0x10, 0x4a, 0x46, 0x49, 0x46, 0x00, 0x01, 0x01, 0x00, 0x00, 0x01,
    0x00, 0x01, 0x00, 0x00, 0xff, 0xdb, 0x00, 0x43, 0x00, 0x10, 0x0b, 0x0c, 0x0e, 0x0c, 0x0a, 0x10,
    0x0e, 0x0d, 0x0e, 0x12, 0x11, 0x10, 0x13, 0x18, 0x28, 0x1a, 0x18, 0x16, 0x16, 0x18, 0x31, 0x23,
    0x25, 0x1d, 0x28, 0x3a, 0x33, 0x3d, 0x3c, 0x39, 0x33, 0x38, 0x37, 0x40, 0x48, 0x5c, 0x4e, 0x40,
    0x44, 0x57, 0x45, 0x37, 0x38, 0x50, 0x6d, 0x51, 0x57, 0x5f, 0x62, 0x67, 0x68, 0x67, 0x3e, 0x4d,
    0x71, 0x79, 0x70, 0x64, 0x78, 0x5c, 0x65, 0x67, 0x63, 0xff, 0xdb, 0x00, 0x43, 0x01, 0x11, 0x12,
    0x12, 0x18, 0x15, 0x18, 0x2f, 0x1a, 0x1a, 0x2f, 0x63, 0x42, 0x38, 0x42, 0x63, 0x63, 0x63, 0x63,
    0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63,
    0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63,
    0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0x63, 0xff, 0xc0,
    0x00, 0x11, 0x08, 0x00, 0x10, 0x00, 0x10, 0x03, 0x01, 0x22, 0x00, 0x02, 0x11, 0x01, 0x03, 0x11,
    0x01, 0xff, 0xc4, 0x00, 0x15, 0x00, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0xff, 0xc4, 0x00, 0x14, 0x10, 0x01, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xff, 0xc4,
    0x00, 0x14, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x06, 0xff, 0xc4, 0x00, 0x14, 0x11, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xff, 0xda, 0x00, 0x0c, 0x03, 0x01,
    0x00, 0x02, 0x11, 0x03, 0x11, 0x00, 0x3f, 0x00, 0xac, 0x01, 0x70, 0xd7, 0xff, 0xd9};

// Sets nothing on the desktop; records what it was asked, as the real setter does. With a
// gate, a setting waits for it, as one in a shell that hangs.
class RecordingSetter : public IWallpaperSetter {
  public:
    explicit RecordingSetter(CWallPaperHistory& history) : m_history(history) {}
    bool SetDesktopWallpaper(const std::string& path) override {
        if (!Apply(path)) return false;
        Record(path);
        return true;
    }
    bool Apply(const std::string& path) override {
        ++inside;
        if (onApply) onApply();
        if (gate) WaitForSingleObject(gate, INFINITE);
        asked.push_back(path);
        --inside;
        return succeed;
    }
    void Record(const std::string& path) override { m_history.Record(path); }
    // Monitors numbered from 0 up to monitorsNow are there when the pictures come.
    std::vector<bool> ApplyEach(const std::vector<MonitorPath>& paths) override {
        std::vector<bool> set;
        for (const MonitorPath& each : paths) {
            eachAsked.push_back(std::to_string(each.monitor) + ":" + mbcs::FileName(each.path));
            set.push_back(each.monitor < monitorsNow);
        }
        return set;
    }
    std::vector<std::string> asked, eachAsked;
    std::size_t monitorsNow = 99;
    bool succeed = true;
    HANDLE gate = nullptr;
    std::atomic<int> inside{0};
    std::function<void()> onApply;  // runs as each wallpaper is applied

  private:
    CWallPaperHistory& m_history;
};

// A 24-bit BMP whose top half is top and bottom half bottom.
std::string TwoColourBmp(COLORREF top, COLORREF bottom, int width = 8, int height = 8) {
    const int rowBytes = (width * 3 + 3) & ~3;
    const int imageBytes = rowBytes * height;
    std::string bytes(54 + static_cast<std::size_t>(imageBytes), '\0');
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<std::uint32_t>(bytes.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));  // bottom-up rows
    bytes[26] = 1;
    bytes[28] = 24;
    put32(34, static_cast<std::uint32_t>(imageBytes));
    for (int y = 0; y < height; ++y) {
        const COLORREF c = y < height / 2 ? bottom : top;  // the first row is the bottom one
        for (int x = 0; x < width; ++x) {
            std::size_t at = 54 + static_cast<std::size_t>(y * rowBytes + x * 3);
            bytes[at] = static_cast<char>(GetBValue(c));
            bytes[at + 1] = static_cast<char>(GetGValue(c));
            bytes[at + 2] = static_cast<char>(GetRValue(c));
        }
    }
    return bytes;
}

// The colour the window paints at (x, y) of its client area, through WM_PRINTCLIENT.
COLORREF PaintedPixel(HWND hwnd, int x, int y) {
    RECT client{};
    GetClientRect(hwnd, &client);
    CClientDC screen(nullptr);
    CUniqueBitmap bitmap(CreateCompatibleBitmap(screen, client.right, client.bottom));
    CMemoryDC dc(screen);
    CSelectObject select(dc, bitmap.Get());
    SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(static_cast<HDC>(dc)), PRF_CLIENT);
    return GetPixel(dc, x, y);
}

bool Near(COLORREF a, COLORREF b) {
    auto close = [](int x, int y) { return x - y < 40 && y - x < 40; };
    return close(GetRValue(a), GetRValue(b)) && close(GetGValue(a), GetGValue(b)) &&
           close(GetBValue(a), GetBValue(b));
}

void Click(HWND dialog, int id) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::string Text(HWND dialog, int id) {
    return GetDlgItemTextUi(dialog, id);
}

std::vector<std::string> ComboItems(HWND combo) {
    std::vector<std::string> items;
    const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        items.push_back(ComboItemTextUi(combo, i));
    }
    return items;
}

std::vector<std::string> ListLines(HWND list) {
    std::vector<std::string> lines;
    const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        lines.push_back(ListBoxItemTextUi(list, i));
    }
    return lines;
}

std::string Data(const std::string& path, bool enabled = true) {
    return "DATA\t\"" + path + "\",\"2\",\"?\",\"?\",\"0\",\"" + (enabled ? "1" : "0") + "\"\r\n";
}

ChangerHooks DiskHooks(std::shared_ptr<IFileSystem> disk) {
    ChangerHooks hooks;
    hooks.fileSystem = std::move(disk);
    return hooks;
}

// The changer reads the disk of a tick on its worker: lets the result come back and be used.
void SettleTick(CPelorandChanger& changer) {
    for (int i = 0; i < 2000 && changer.IsTickRunning(); ++i) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (changer.IsTickRunning()) Sleep(2);
    }
    EXPECT_FALSE(changer.IsTickRunning());
}

std::wstring WindowTitle(HWND hwnd) {
    wchar_t text[256] = L"";
    GetWindowTextW(hwnd, text, 256);
    return text;
}

class ChangerWindowTest : public EditorTest {
  protected:
    void SetUp() override {
        EditorTest::SetUp();
        m_dir = TempPath("changer\\");
        CreateDirectoryW(ToWide(m_dir).c_str(), nullptr);
        CreateDirectoryW(ToWide((m_dir + "one")).c_str(), nullptr);
        CreateDirectoryW(ToWide((m_dir + "two")).c_str(), nullptr);
    }
    void TearDown() override {
        m_changer.reset();
        EditorTest::TearDown();
    }
    // An image file of the test's own; the recording setter never reads it.
    std::string Image(const std::string& name, COLORREF top = RGB(255, 0, 0),
                      COLORREF bottom = RGB(255, 0, 0)) {
        std::string path = m_dir + name;
        WriteBytes(path, TwoColourBmp(top, bottom));
        return path;
    }
    // The root folder R holding the given files directly, then a folder A holding its own.
    std::string Collection(const std::vector<std::string>& rootFiles,
                           const std::vector<std::string>& folderFiles) {
        std::string text = "FILE{\r\nNAME\t\"R\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n";
        for (const std::string& f : rootFiles) text += Data(f);
        text += "FILE{\r\nNAME\t\"A\",\"2\",\"?\",\"?\",\"0\",\"1\"\r\n";
        for (const std::string& f : folderFiles) text += Data(f);
        text += "}FILE\r\n}FILE\r\n";
        std::string path = m_dir + "c.plr";
        WriteBytes(path, text);
        return path;
    }
    CPelorandChanger& OpenChanger(ChangerHooks hooks = ChangerHooks()) {
        hooks.setter = &m_setter;
        hooks.history = &m_history;
        m_changer = std::make_unique<CPelorandChanger>(Settings(), nullptr, std::move(hooks));
        EXPECT_TRUE(m_changer->Create());
        return *m_changer;
    }
    // "起動" or "停止", and the collection read when it starts.
    void ClickRun() {
        Click(Window(), IDC_CHANGER_RUN);
        SettleTick(*m_changer);
    }
    HWND Window() const { return m_changer->m_hWnd; }
    void Tick() {
        SettleTick(*m_changer);
        SendMessageW(Window(), WM_TIMER, IDT_CHANGER, 0);
        SettleTick(*m_changer);
    }
    // A command of the running menu, as the menu sends it.
    void Command(UINT id) {
        SendMessageW(Window(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
        if (m_changer && Window()) SettleTick(*m_changer);
    }
    // True when timer 11 was running (it is stopped by asking).
    bool TimerWasRunning() { return KillTimer(Window(), IDT_CHANGER) != FALSE; }
    void UseNamedFile(const std::string& path) {
        Settings().WriteInt(setting::ExecuteRadio, 0);
        Settings().WriteString(setting::ExecuteFile, path);
    }

    std::string m_dir;
    CWallPaperHistory m_history;
    RecordingSetter m_setter{m_history};
    std::unique_ptr<CPelorandChanger> m_changer;
};

TEST_F(ChangerWindowTest, RecentFilesAreListedSortedWithTheMostRecentPreselected) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"C:\\m.plr", "C:\\a.plr", "C:\\z.plr"},
        {"D:\\h.plr", "C:\\b.plr", "C:\\g.plr", "C:\\a.plr", "C:\\f.plr", "C:\\c.plr", "C:\\e.plr",
         "C:\\d.plr"},
    };
    for (const auto& files : cases) {
        Settings().Store().WriteString(setting::kRecentFileList, "File1", "");
        for (std::size_t i = 0; i < files.size(); ++i) {
            Settings().WriteString(setting::RecentFile(static_cast<int>(i) + 1), files[i]);
        }
        OpenChanger();
        HWND combo = GetDlgItem(Window(), IDC_CHANGER_RECENT);
        std::vector<std::string> sorted = files;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, ComboItems(combo));
        if (files.empty()) {
            EXPECT_EQ(CB_ERR, SendMessageW(combo, CB_GETCURSEL, 0, 0));
            EXPECT_EQ("", Text(Window(), IDC_CHANGER_FILE));
        } else {
            EXPECT_EQ(files[0], Text(Window(), IDC_CHANGER_RECENT));
            // The named file defaults to the most recent one.
            EXPECT_EQ(files[0], Text(Window(), IDC_CHANGER_FILE));
        }
        EXPECT_TRUE(IsDlgButtonChecked(Window(), IDC_CHANGER_RADIO_FILE));
        m_changer.reset();
    }
}

TEST_F(ChangerWindowTest, StartWithNoRecentFileChosenRunsWithoutTimerUntilStopped) {
    Settings().WriteInt(setting::ExecuteRadio, 1);
    OpenChanger();
    ClickRun();
    EXPECT_TRUE(m_changer->IsRunning());
    EXPECT_EQ("停止", Text(Window(), IDC_CHANGER_RUN));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(Window(), IDC_CHANGER_HISTORY)));
    EXPECT_TRUE(IsIconic(Window()));
    EXPECT_EQ(nullptr, m_changer->GetLoadedRoot());
    EXPECT_EQ(nullptr, m_changer->GetInfoView());
    Tick();
    EXPECT_TRUE(m_setter.asked.empty());
    EXPECT_FALSE(TimerWasRunning());
    ClickRun();
    EXPECT_FALSE(m_changer->IsRunning());
    EXPECT_EQ("起動", Text(Window(), IDC_CHANGER_RUN));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(Window(), IDC_CHANGER_HISTORY)));
}

TEST_F(ChangerWindowTest, StopThenStartReloadsTheFileAndStartsAgainAtTheFirstFolder) {
    Settings().WriteInt(setting::ModType, 0);
    const std::string r1 = Image("r1.bmp"), r2 = Image("r2.bmp"), a1 = Image("a1.bmp");
    UseNamedFile(Collection({r1}, {a1}));
    OpenChanger();
    ClickRun();
    ASSERT_NE(nullptr, m_changer->GetLoadedRoot());
    EXPECT_TRUE(TimerWasRunning());
    Tick();
    Tick();
    EXPECT_EQ((std::vector<std::string>{r1, a1}), m_setter.asked);

    ClickRun();  // stop
    EXPECT_EQ(nullptr, m_changer->GetLoadedRoot());
    EXPECT_TRUE(m_changer->GetEngine()->RotationList().empty());
    Tick();  // a late timer message changes nothing
    EXPECT_EQ(2u, m_setter.asked.size());

    Collection({r2}, {a1});  // saved while stopped
    ClickRun();
    Tick();
    EXPECT_EQ(r2, m_setter.asked.back());
    EXPECT_EQ(3u, m_history.GetCount());
}

TEST_F(ChangerWindowTest, StartAndStopStoreTheChoiceAndEnterStoresNothing) {
    Settings().WriteString(setting::RecentFile(1), "C:\\recent.plr");
    OpenChanger();
    std::string askedTitle;
    TestCommonDialogHooks().browse = [&](const std::string& title, std::string& path) {
        askedTitle = title;
        path = "C:\\chosen.plr";
        return true;
    };
    Click(Window(), IDC_CHANGER_CHOOSE_FILE);
    EXPECT_EQ("C:\\chosen.plr", Text(Window(), IDC_CHANGER_FILE));
    EXPECT_EQ("ファイルを追加する", askedTitle);
    CheckRadioButton(Window(), IDC_CHANGER_RADIO_FILE, IDC_CHANGER_RADIO_RECENT,
                     IDC_CHANGER_RADIO_RECENT);
    ClickRun();
    EXPECT_EQ(1, Settings().GetInt(setting::ExecuteRadio));
    EXPECT_EQ("C:\\chosen.plr", Settings().GetString(setting::ExecuteFile));
    CheckRadioButton(Window(), IDC_CHANGER_RADIO_FILE, IDC_CHANGER_RADIO_RECENT,
                     IDC_CHANGER_RADIO_FILE);
    ClickRun();
    EXPECT_EQ(0, Settings().GetInt(setting::ExecuteRadio));

    // A browser cancelled changes nothing.
    TestCommonDialogHooks().browse = [](const std::string&, std::string&) { return false; };
    Click(Window(), IDC_CHANGER_CHOOSE_FILE);
    EXPECT_EQ("C:\\chosen.plr", Text(Window(), IDC_CHANGER_FILE));

    // Enter with no push button focused closes like "設定" without storing the controls.
    CheckRadioButton(Window(), IDC_CHANGER_RADIO_FILE, IDC_CHANGER_RADIO_RECENT,
                     IDC_CHANGER_RADIO_RECENT);
    SendMessageW(Window(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(nullptr, Window());
    EXPECT_EQ(0, Settings().GetInt(setting::ExecuteRadio));
}

TEST_F(ChangerWindowTest, SettingsButtonStoresTheChoiceAsLastReadNotAsShown) {
    UseNamedFile("C:\\named.plr");
    OpenChanger();
    CheckRadioButton(Window(), IDC_CHANGER_RADIO_FILE, IDC_CHANGER_RADIO_RECENT,
                     IDC_CHANGER_RADIO_RECENT);
    Settings().WriteString(setting::ExecuteFile, "C:\\other.plr");
    Click(Window(), IDC_CHANGER_SETTINGS);
    EXPECT_EQ(nullptr, Window());
    EXPECT_EQ(0, Settings().GetInt(setting::ExecuteRadio));
    EXPECT_EQ("C:\\named.plr", Settings().GetString(setting::ExecuteFile));
}

TEST_F(ChangerWindowTest, WithoutTheInformationWindowChangesAndHistoryStillWork) {
    Settings().WriteInt(setting::CheckDispFileInfo, 0);
    Settings().WriteInt(setting::ModType, 0);
    const std::string r1 = Image("r1.bmp"), a1 = Image("a1.bmp");
    UseNamedFile(Collection({r1}, {a1}));
    OpenChanger();
    ClickRun();
    Tick();
    Tick();
    EXPECT_EQ(nullptr, m_changer->GetInfoView());
    EXPECT_EQ(nullptr, FindWindowW(UiText(CFileInfomationView::kClassName).c_str(), nullptr));
    EXPECT_EQ(2u, m_history.GetCount());
}

TEST_F(ChangerWindowTest, InformationWindowFollowsTheSettingsAndShowsOnlyWallpapersSet) {
    Settings().WriteInt(setting::FileInfoBackColor, RGB(1, 2, 3));
    Settings().WriteInt(setting::FileInfoFontColor, RGB(4, 5, 6));
    Settings().WriteInt(setting::CheckDispCreater, 0);
    Settings().WriteInt(setting::ModType, 0);
    const std::string r1 = Image("r1.bmp"), a1 = Image("a1.bmp");
    UseNamedFile(Collection({r1}, {a1}));
    OpenChanger();
    ClickRun();
    CFileInfomationView* view = m_changer->GetInfoView();
    ASSERT_NE(nullptr, view);
    ASSERT_TRUE(IsWindow(view->m_hWnd));
    EXPECT_EQ("壁紙情報", view->GetWindowText());
    EXPECT_TRUE(GetWindowLongPtrW(view->m_hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(GetWindowLongPtrW(view->m_hWnd, GWL_STYLE) & WS_SYSMENU);
    EXPECT_EQ(RGB(1, 2, 3), view->m_crBack);
    EXPECT_EQ(RGB(4, 5, 6), view->m_crText);
    EXPECT_FALSE(view->m_bDispAuthor);
    EXPECT_TRUE(view->m_bDispName);
    EXPECT_EQ("ファイル名", view->m_strName);  // the labels until the first change

    Tick();
    EXPECT_EQ("r1.bmp", view->m_strName);
    m_setter.succeed = false;
    Tick();  // a1 could not be set: the window goes on describing r1
    EXPECT_EQ(a1, m_setter.asked.back());
    EXPECT_EQ("r1.bmp", view->m_strName);

    // A stop leaves the window open with its last texts; the next start replaces it.
    ClickRun();
    EXPECT_TRUE(IsWindow(view->m_hWnd));
    HWND first = view->m_hWnd;
    ClickRun();
    EXPECT_FALSE(IsWindow(first));
    ASSERT_NE(nullptr, m_changer->GetInfoView());
    EXPECT_TRUE(IsWindow(m_changer->GetInfoView()->m_hWnd));
}

TEST_F(ChangerWindowTest, ClosingWhileRunningStopsAndSetsTheEndWallpaperIntoTheHistory) {
    Settings().WriteInt(setting::ModType, 0);
    const std::string r1 = Image("r1.bmp"), end = Image("end.bmp");
    Settings().WriteInt(setting::EndFileSetCheck, 1);
    Settings().WriteString(setting::EndFileName, end);
    UseNamedFile(Collection({r1}, {}));
    OpenChanger();
    ClickRun();
    Tick();
    HWND info = m_changer->GetInfoView()->m_hWnd;
    HWND window = Window();
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(IsWindow(info));
    m_changer.reset();
    EXPECT_EQ((std::vector<std::string>{r1, end}), m_setter.asked);
    ASSERT_EQ(2u, m_history.GetCount());
    EXPECT_EQ(end, m_history.GetAt(1));

    // Without the switch nothing is set at the end, even after a run.
    Settings().WriteInt(setting::EndFileSetCheck, 0);
    OpenChanger();
    ClickRun();
    m_changer.reset();
    EXPECT_EQ(2u, m_setter.asked.size());
}

// A shell that hangs while setting the end wallpaper, or a picture on a share that stopped
// answering, holds the closing a short while only; what it did late is not recorded.
TEST_F(ChangerWindowTest, AnEndWallpaperThatHangsHoldsTheClosingOnlyAWhile) {
    const std::string end = Image("end.bmp");
    Settings().WriteInt(setting::EndFileSetCheck, 1);
    Settings().WriteString(setting::EndFileName, end);
    UseNamedFile(Collection({Image("r1.bmp")}, {}));
    CUniqueKernelHandle gate(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    m_setter.gate = gate.Get();
    ChangerHooks hooks;
    hooks.endWallpaperWait = 300;
    OpenChanger(hooks);
    ClickRun();
    SendMessageW(Window(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    const DWORD start = GetTickCount();
    m_changer.reset();
    const DWORD took = GetTickCount() - start;
    std::printf("closing with a hung end wallpaper took %lu ms\n", static_cast<unsigned long>(took));
    EXPECT_LT(took, 5000u) << "the closing waited for the hung setting";
    EXPECT_EQ(1, m_setter.inside.load());
    SetEvent(gate.Get());
    for (int i = 0; i < 500 && m_setter.inside.load() != 0; ++i) Sleep(10);
    ASSERT_EQ(0, m_setter.inside.load());
    EXPECT_EQ(0u, m_history.GetCount());
    m_setter.gate = nullptr;
}

TEST_F(ChangerWindowTest, AnIntervalOutOfRangeStillRunsAValidTimer) {
    EXPECT_EQ(1000u, CPelorandChanger::TimerPeriod(0));
    EXPECT_EQ(1000u, CPelorandChanger::TimerPeriod(-600));
    EXPECT_EQ(600000u, CPelorandChanger::TimerPeriod(600));
    EXPECT_EQ(9999000u, CPelorandChanger::TimerPeriod(2000000000));
    UseNamedFile(Collection({Image("r1.bmp")}, {}));
    for (int stored : {0, -5, 10000, 2147483647}) {
        Settings().WriteInt(setting::ChangerType, stored);
        OpenChanger();
        ClickRun();
        EXPECT_TRUE(TimerWasRunning()) << stored;
        m_changer.reset();
    }
}

TEST_F(ChangerWindowTest, NextNowPauseAndResumeDriveTheTicksAndTheTimer) {
    Settings().WriteInt(setting::ModType, 0);
    const std::string r1 = Image("r1.bmp"), r2 = Image("r2.bmp"), a1 = Image("a1.bmp");
    UseNamedFile(Collection({r1, r2}, {a1}));
    OpenChanger();
    ClickRun();
    HWND info = m_changer->GetInfoView()->m_hWnd;

    // Next now: one tick at once, the one the timer would have made, and the period over.
    Command(ID_CHANGER_NEXT);
    EXPECT_EQ((std::vector<std::string>{r1}), m_setter.asked);
    EXPECT_EQ("r1.bmp", m_changer->GetInfoView()->m_strName);
    EXPECT_TRUE(TimerWasRunning());
    Tick();
    EXPECT_EQ(a1, m_setter.asked.back());

    // Paused: no timer, timer messages change nothing, and the window says so.
    Command(ID_CHANGER_PAUSE);
    EXPECT_TRUE(m_changer->IsPaused());
    EXPECT_FALSE(TimerWasRunning());
    EXPECT_EQ(L"一時停止中 - 壁紙情報", WindowTitle(info));
    for (int i = 0; i < 3; ++i) Tick();
    EXPECT_EQ(2u, m_setter.asked.size());
    // The user's own next still changes it, and the pause stays.
    Command(ID_CHANGER_NEXT);
    EXPECT_EQ(r2, m_setter.asked.back());
    EXPECT_TRUE(m_changer->IsPaused());
    EXPECT_FALSE(TimerWasRunning());

    Command(ID_CHANGER_PAUSE);  // resume
    EXPECT_FALSE(m_changer->IsPaused());
    EXPECT_EQ(L"壁紙情報", WindowTitle(info));
    EXPECT_TRUE(TimerWasRunning());
    Tick();
    EXPECT_EQ(a1, m_setter.asked.back());
    EXPECT_EQ(4u, m_history.GetCount());

    // Stop from the menu: stopped, the window shown again, the information window gone from
    // the screen; the commands then do nothing.
    Command(ID_CHANGER_PAUSE);
    Command(ID_CHANGER_STOP);
    EXPECT_FALSE(m_changer->IsRunning());
    EXPECT_FALSE(m_changer->IsPaused());
    EXPECT_FALSE(IsIconic(Window()));
    EXPECT_EQ("起動", Text(Window(), IDC_CHANGER_RUN));
    EXPECT_FALSE(IsWindowVisible(info));
    Command(ID_CHANGER_NEXT);
    Command(ID_CHANGER_PAUSE);
    EXPECT_FALSE(m_changer->IsPaused());
    EXPECT_EQ(4u, m_setter.asked.size());
    // Started again it shows one; "停止" in the window takes it away too.
    ClickRun();
    ASSERT_NE(nullptr, m_changer->GetInfoView());
    info = m_changer->GetInfoView()->m_hWnd;
    EXPECT_TRUE(IsWindowVisible(info));
    ClickRun();
    EXPECT_FALSE(m_changer->IsRunning());
    EXPECT_FALSE(IsWindowVisible(info));
}

TEST_F(ChangerWindowTest, TheInformationWindowAndTheTrayIconOpenTheSameMenu) {
    Settings().WriteInt(setting::ModType, 0);
    Settings().WriteInt(setting::CheckTrayIcon, 1);
    const std::string r1 = Image("r1.bmp");
    UseNamedFile(Collection({r1}, {}));
    std::vector<std::wstring> items;
    UINT answer = 0;
    UINT defaultItem = 0;
    bool historyGrayed = false;
    ChangerHooks hooks;
    hooks.menu = [&](HMENU menu) {
        items.clear();
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            wchar_t text[64] = L"";
            GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
            if (text[0]) items.push_back(text);
        }
        defaultItem = GetMenuDefaultItem(menu, FALSE, 0);
        historyGrayed = (GetMenuState(menu, ID_CHANGER_SHOW_HISTORY, MF_BYCOMMAND) & MF_GRAYED) != 0;
        return answer;
    };
    OpenChanger(hooks);
    EXPECT_FALSE(m_changer->HasTrayIcon());
    ClickRun();
    EXPECT_TRUE(m_changer->HasTrayIcon());
    HWND info = m_changer->GetInfoView()->m_hWnd;

    answer = ID_CHANGER_NEXT;
    SendMessageW(info, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(info), MAKELPARAM(10, 10));
    SettleTick(*m_changer);
    EXPECT_EQ((std::vector<std::wstring>{L"チェンジャーを表示(&O)", L"次の壁紙(&N)", L"一時停止(&P)",
                                         L"壁紙の履歴(&H)...",
                                         L"チェンジャーを終了してエディターで表示(&E)", L"停止(&S)"}),
              items);
    EXPECT_EQ(ID_CHANGER_SHOW, defaultItem);  // in bold: what a double-click on the icon does
    EXPECT_TRUE(historyGrayed) << "nothing set yet: no history to show";
    EXPECT_EQ((std::vector<std::string>{r1}), m_setter.asked);

    answer = ID_CHANGER_PAUSE;
    SendMessageW(Window(), CPelorandChanger::kTrayMessage, CPelorandChanger::kTrayIconId,
                 WM_RBUTTONUP);
    EXPECT_TRUE(m_changer->IsPaused());
    answer = 0;
    SendMessageW(Window(), CPelorandChanger::kTrayMessage, CPelorandChanger::kTrayIconId,
                 WM_RBUTTONUP);
    EXPECT_EQ(L"再開(&P)", items[2]);
    EXPECT_FALSE(historyGrayed);

    // A double-click shows the changer window; Explorer started again keeps the icon wanted.
    EXPECT_TRUE(IsIconic(Window()));
    SendMessageW(Window(), CPelorandChanger::kTrayMessage, CPelorandChanger::kTrayIconId,
                 WM_LBUTTONDBLCLK);
    EXPECT_FALSE(IsIconic(Window()));
    SendMessageW(Window(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(m_changer->HasTrayIcon());

    ClickRun();  // stop: the icon goes with the running changer
    EXPECT_FALSE(m_changer->HasTrayIcon());
    answer = ID_CHANGER_NEXT;
    items.clear();
    SendMessageW(info, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(info), MAKELPARAM(10, 10));
    EXPECT_TRUE(items.empty());
    EXPECT_EQ(1u, m_setter.asked.size());
}

TEST_F(ChangerWindowTest, AFullScreenProgramSkipsTicksOnlyWhenAskedFor) {
    Settings().WriteInt(setting::ModType, 0);
    const std::string r1 = Image("r1.bmp"), a1 = Image("a1.bmp");
    UseNamedFile(Collection({r1}, {a1}));
    bool fullScreen = true;
    ChangerHooks hooks;
    hooks.fullScreen = [&] { return fullScreen; };
    OpenChanger(hooks);
    ClickRun();
    Tick();  // off by default: the full-screen program does not matter
    EXPECT_EQ(1u, m_setter.asked.size());
    Settings().WriteInt(setting::CheckFullScreenQuiet, 1);
    Tick();
    Tick();
    EXPECT_EQ(1u, m_setter.asked.size());
    EXPECT_TRUE(TimerWasRunning());  // skipped, not stopped
    // A skipped tick takes nothing from the rotation: the next one goes on where it stood.
    fullScreen = false;
    Tick();
    EXPECT_EQ((std::vector<std::string>{r1, a1}), m_setter.asked);

    // The topmost information window makes way for a full-screen program, whatever the
    // option, and comes back when it has gone.
    HWND info = m_changer->GetInfoView()->m_hWnd;
    ASSERT_TRUE(IsWindowVisible(info));
    Settings().WriteInt(setting::CheckFullScreenQuiet, 0);
    fullScreen = true;
    SendMessageW(Window(), WM_TIMER, IDT_CHANGER_FULL_SCREEN, 0);
    EXPECT_FALSE(IsWindowVisible(info));
    SendMessageW(Window(), WM_TIMER, IDT_CHANGER_FULL_SCREEN, 0);
    EXPECT_FALSE(IsWindowVisible(info));
    fullScreen = false;
    SendMessageW(Window(), WM_TIMER, IDT_CHANGER_FULL_SCREEN, 0);
    EXPECT_TRUE(IsWindowVisible(info));
    // A window hidden by the user's choice is not shown by it.
    ShowWindow(info, SW_HIDE);
    SendMessageW(Window(), WM_TIMER, IDT_CHANGER_FULL_SCREEN, 0);
    EXPECT_FALSE(IsWindowVisible(info));
}

TEST_F(ChangerWindowTest, TheSessionEndStopsAndSetsTheEndWallpaperOnce) {
    const std::string end = Image("end.bmp");
    Settings().WriteInt(setting::EndFileSetCheck, 1);
    Settings().WriteString(setting::EndFileName, end);
    UseNamedFile(Collection({Image("r1.bmp")}, {}));
    OpenChanger();
    ClickRun();
    EXPECT_EQ(TRUE, SendMessageW(Window(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
    EXPECT_TRUE(m_changer->IsRunning());
    EXPECT_TRUE(m_setter.asked.empty());
    // A session that does not end after all changes nothing.
    SendMessageW(Window(), WM_ENDSESSION, FALSE, 0);
    EXPECT_TRUE(m_changer->IsRunning());
    // The end wallpaper comes before the rest of the stopping, which Windows may cut short.
    bool runningAtEndWallpaper = false;
    m_setter.onApply = [&] { runningAtEndWallpaper = m_changer->IsRunning(); };
    SendMessageW(Window(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_TRUE(runningAtEndWallpaper);
    m_setter.onApply = nullptr;
    EXPECT_FALSE(m_changer->IsRunning());
    EXPECT_EQ((std::vector<std::string>{end}), m_setter.asked);
    m_changer.reset();
    EXPECT_EQ(1u, m_setter.asked.size());
    EXPECT_EQ(1u, m_history.GetCount());
}

TEST_F(ChangerWindowTest, ATickIsNeverRunTwiceAtOnceAndAStoppedTicksResultIsDropped) {
    Settings().WriteInt(setting::ModType, 0);
    const std::string r1 = Image("r1.bmp"), a1 = Image("a1.bmp");
    UseNamedFile(Collection({r1}, {a1}));
    auto disk = std::make_shared<CStuckFileSystem>(r1);
    OpenChanger(DiskHooks(disk));
    ClickRun();
    // Three requests before the first result is taken: one tick. The timer message returns
    // before the disk is read: nothing is set until the worker has read it and set it.
    SendMessageW(Window(), WM_TIMER, IDT_CHANGER, 0);
    EXPECT_TRUE(m_changer->IsTickRunning());
    ASSERT_TRUE(disk->WaitUntilStuck(10000));
    SendMessageW(Window(), WM_COMMAND, MAKEWPARAM(ID_CHANGER_NEXT, 0), 0);
    SendMessageW(Window(), WM_TIMER, IDT_CHANGER, 0);
    EXPECT_TRUE(m_setter.asked.empty());
    disk->Unblock();
    SettleTick(*m_changer);
    EXPECT_EQ((std::vector<std::string>{r1}), m_setter.asked);
    // Stopped while the disk is read: that run's tick sets nothing.
    disk->Stick(a1);
    SendMessageW(Window(), WM_TIMER, IDT_CHANGER, 0);
    ASSERT_TRUE(disk->WaitUntilStuck(10000));
    ClickRun();
    disk->Unblock();
    for (int i = 0; i < 1000 && disk->IsStuck(); ++i) Sleep(2);
    CResponsivenessProbe::PumpFor(200);
    EXPECT_EQ(1u, m_setter.asked.size());
    EXPECT_EQ(1u, m_history.GetCount());
    ClickRun();
    Tick();
    EXPECT_EQ(r1, m_setter.asked.back());  // the new run starts at the first folder
}

TEST_F(ChangerWindowTest, AStoredPlaceOnAMonitorNoLongerThereComesBackOntoTheNearestOne) {
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const RECT onScreen{work.left + 10, work.top + 10, work.left + 110, work.top + 60};
    const RECT kept = CFileInfomationView::OntoMonitor(onScreen);
    EXPECT_TRUE(EqualRect(&kept, &onScreen));
    // Far to the right of every monitor, as after undocking from a second screen.
    const RECT gone{work.right + 5000, work.top + 20, work.right + 5200, work.top + 120};
    const RECT back = CFileInfomationView::OntoMonitor(gone);
    EXPECT_EQ(200, back.right - back.left);
    EXPECT_EQ(100, back.bottom - back.top);
    EXPECT_EQ(work.right, back.right);
    EXPECT_EQ(work.top + 20, back.top);
    // Larger than the work area: as much as fits.
    const RECT huge{work.right + 10, work.top, work.right + 100010, work.top + 100000};
    const RECT fitted = CFileInfomationView::OntoMonitor(huge);
    EXPECT_LE(fitted.right - fitted.left, work.right - work.left);
    EXPECT_GE(fitted.left, work.left);

    Settings().WriteInt(setting::LeftPosition, gone.left);
    Settings().WriteInt(setting::TopPosition, gone.top);
    Settings().WriteInt(setting::Width, 200);
    Settings().WriteInt(setting::Height, 100);
    UseNamedFile(Collection({Image("r1.bmp")}, {}));
    OpenChanger();
    ClickRun();
    RECT placed{};
    GetWindowRect(m_changer->GetInfoView()->m_hWnd, &placed);
    EXPECT_TRUE(EqualRect(&placed, &back));
    EXPECT_EQ(back.left, Settings().GetInt(setting::LeftPosition));
}

TEST_F(ChangerWindowTest, JunkStoredPlacesGiveAWindowOnTheScreenNoLargerThanIt) {
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    auto onScreen = [&](const RECT& rc) {
        EXPECT_GE(rc.left, work.left);
        EXPECT_GE(rc.top, work.top);
        EXPECT_LE(rc.right, work.right);
        EXPECT_LE(rc.bottom, work.bottom);
        EXPECT_GE(rc.right - rc.left, GetSystemMetrics(SM_CXMINTRACK));
        EXPECT_GE(rc.bottom - rc.top, GetSystemMetrics(SM_CYMINTRACK));
    };
    const int junkPlaces[] = {0x7fffffff, 0x00100000, INT_MIN};
    const int junkSizes[] = {0x7fffffff, 0x00100000, INT_MIN, 0, -1};
    for (int left : junkPlaces) {
        for (int size : junkSizes) {
            SCOPED_TRACE(testing::Message() << left << " " << size);
            onScreen(CFileInfomationView::FromStored(left, left, size, size));
            onScreen(CFileInfomationView::FromStored(work.left + 10, work.top + 10, size, 50));
        }
    }
    // A sensible place stays where it was.
    const RECT kept = CFileInfomationView::FromStored(work.left + 10, work.top + 20, 200, 100);
    EXPECT_EQ(kept.left, work.left + 10);
    EXPECT_EQ(kept.top, work.top + 20);
    EXPECT_EQ(kept.right - kept.left, 200);
    EXPECT_EQ(kept.bottom - kept.top, 100);

    // The window itself, from the registry, and what it stores back is as sound.
    Settings().WriteInt(setting::LeftPosition, 0x7fffffff);
    Settings().WriteInt(setting::TopPosition, INT_MIN);
    Settings().WriteInt(setting::Width, 0x00100000);
    Settings().WriteInt(setting::Height, INT_MIN);
    UseNamedFile(Collection({Image("r1.bmp")}, {}));
    OpenChanger();
    ClickRun();
    ASSERT_NE(nullptr, m_changer->GetInfoView());
    RECT placed{};
    GetWindowRect(m_changer->GetInfoView()->m_hWnd, &placed);
    onScreen(placed);
    EXPECT_EQ(placed.left, Settings().GetInt(setting::LeftPosition));
    EXPECT_EQ(placed.bottom - placed.top, Settings().GetInt(setting::Height));
}

// The window's thread while a job of the changer is stuck on a file that never answers or on
// a setting the shell never finishes: every message is answered, ticks due meanwhile are let
// go, and stopping, starting again and closing come at once.
class ChangerStuckTest : public ChangerWindowTest {
  protected:
    void TearDown() override {
        // Let the stuck jobs go, and wait until none is in the fixture's setter any more.
        m_disk->Unblock();
        SetEvent(m_gate.Get());
        for (int i = 0; i < 2500 && (m_disk->IsStuck() || m_setter.inside > 0); ++i) Sleep(2);
        Sleep(50);
        EXPECT_EQ(0, m_setter.inside.load());
        ChangerWindowTest::TearDown();
    }
    // Closes the window with "閉じる" and ends the object, as the program does; the time taken.
    long CloseChanger() {
        const auto start = std::chrono::steady_clock::now();
        SendMessageW(Window(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        m_changer.reset();
        return CResponsivenessProbe::Since(start);
    }
    // Sends WM_TIMER as the timer would, and keeps the loop going for a while.
    void DueTicks(int count) {
        for (int i = 0; i < count; ++i) {
            SendMessageW(Window(), WM_TIMER, IDT_CHANGER, 0);
            CResponsivenessProbe::PumpFor(30);
        }
    }
    std::shared_ptr<CStuckFileSystem> m_disk = std::make_shared<CStuckFileSystem>();
    CUniqueKernelHandle m_gate{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

TEST_F(ChangerStuckTest, ACollectionThatNeverAnswersHoldsUpNeitherTheWindowNorItsStopStartOrClose) {
    const std::string r1 = Image("r1.bmp");
    const std::string collection = Collection({r1}, {});
    UseNamedFile(collection);
    m_disk->Stick(collection);
    OpenChanger(DiskHooks(m_disk));
    CResponsivenessProbe whole;
    Click(Window(), IDC_CHANGER_RUN);
    ASSERT_TRUE(m_disk->WaitUntilStuck(10000));
    EXPECT_TRUE(m_changer->IsLoading());
    CResponsivenessProbe stuck;
    DueTicks(5);  // nothing loaded: each is let go
    EXPECT_TRUE(m_setter.asked.empty());
    EXPECT_LT(stuck.Report("changer, collection stuck: ticks due"), 100);
    // Stop and start again: the new run reads the file on a new job (stuck as well).
    Click(Window(), IDC_CHANGER_RUN);
    EXPECT_FALSE(m_changer->IsRunning());
    Click(Window(), IDC_CHANGER_RUN);
    EXPECT_TRUE(m_changer->IsLoading());
    CResponsivenessProbe::PumpFor(100);
    const long closed = CloseChanger();
    CResponsivenessProbe::PumpFor(100);
    EXPECT_TRUE(m_disk->IsStuck());
    // Starting makes the information window: the window's own work, measured apart.
    const long longest =
        whole.Report("changer, collection stuck: start, ticks, stop, start, close");
    std::printf("[ closing time ] changer with a stuck load: %ld ms\n", closed);
    EXPECT_LT(closed, 1000);
    EXPECT_LT(longest, 1000);
    EXPECT_TRUE(m_setter.asked.empty());
}

TEST_F(ChangerStuckTest, ATickStuckOnAFileIsLetGoAndAPauseBeforeTheSettingKeepsItFromHappening) {
    Settings().WriteInt(setting::ModType, 0);
    const std::string r1 = Image("r1.bmp"), a1 = Image("a1.bmp");
    UseNamedFile(Collection({r1}, {a1}));
    m_disk->Stick(r1);
    OpenChanger(DiskHooks(m_disk));
    ClickRun();
    CResponsivenessProbe probe;
    SendMessageW(Window(), WM_TIMER, IDT_CHANGER, 0);
    ASSERT_TRUE(m_disk->WaitUntilStuck(10000));
    DueTicks(5);  // the first is still out: each is let go
    SendMessageW(Window(), WM_COMMAND, MAKEWPARAM(ID_CHANGER_PAUSE, 0), 0);
    EXPECT_TRUE(m_changer->IsPaused());
    const long longest = probe.Report("changer, tick stuck on a file: ticks and pause");
    EXPECT_LT(longest, 100);
    // The file answers at last: the tick sees the pause and sets nothing.
    m_disk->Unblock();
    for (int i = 0; i < 2000 && m_changer->IsTickRunning(); ++i) CResponsivenessProbe::PumpFor(2);
    EXPECT_FALSE(m_changer->IsTickRunning());
    EXPECT_TRUE(m_setter.asked.empty());
    EXPECT_EQ(0u, m_history.GetCount());
    EXPECT_EQ("ファイル名", m_changer->GetInfoView()->m_strName);
    // Resumed, the next tick goes on from the rotation as the stuck one left it.
    Command(ID_CHANGER_PAUSE);
    Tick();
    EXPECT_EQ((std::vector<std::string>{a1}), m_setter.asked);
    EXPECT_EQ(1u, m_history.GetCount());
}

TEST_F(ChangerStuckTest, ASettingThatNeverEndsHoldsUpNeitherTheWindowNorItsStopStartOrClose) {
    Settings().WriteInt(setting::ModType, 0);
    const std::string r1 = Image("r1.bmp"), a1 = Image("a1.bmp");
    UseNamedFile(Collection({r1}, {a1}));
    m_setter.gate = m_gate.Get();
    OpenChanger(DiskHooks(m_disk));
    ClickRun();
    CResponsivenessProbe whole;
    SendMessageW(Window(), WM_TIMER, IDT_CHANGER, 0);
    for (int i = 0; i < 2000 && m_setter.inside == 0; ++i) CResponsivenessProbe::PumpFor(2);
    ASSERT_EQ(1, m_setter.inside.load());
    CResponsivenessProbe stuck;
    DueTicks(5);  // let go: one setting at a time
    SendMessageW(Window(), WM_COMMAND, MAKEWPARAM(ID_CHANGER_NEXT, 0), 0);
    CResponsivenessProbe::PumpFor(50);
    EXPECT_EQ(1, m_setter.inside.load());
    EXPECT_EQ(0u, m_history.GetCount());
    EXPECT_LT(stuck.Report("changer, setting stuck: ticks due, next"), 100);
    // Stop and start again: the new run is read and its tick waits behind the setting.
    Click(Window(), IDC_CHANGER_RUN);
    EXPECT_FALSE(m_changer->IsRunning());
    ClickRun();
    ASSERT_NE(nullptr, m_changer->GetLoadedRoot());
    SendMessageW(Window(), WM_TIMER, IDT_CHANGER, 0);
    CResponsivenessProbe::PumpFor(100);
    EXPECT_EQ(1, m_setter.inside.load());
    const long closed = CloseChanger();
    CResponsivenessProbe::PumpFor(100);
    EXPECT_EQ(1, m_setter.inside.load());
    const long longest = whole.Report("changer, setting stuck: ticks, next, stop, start, close");
    std::printf("[ closing time ] changer with a stuck setting: %ld ms\n", closed);
    EXPECT_LT(closed, 1000);
    EXPECT_LT(longest, 1000);
    // Nobody hears of the setting when it ends at last: the window is gone.
    SetEvent(m_gate.Get());
    for (int i = 0; i < 2000 && m_setter.inside > 0; ++i) Sleep(2);
    Sleep(50);
    CResponsivenessProbe::PumpOnce();
    EXPECT_EQ(0u, m_history.GetCount());
}

class HistoryDialogTest : public ChangerWindowTest {
  protected:
    CPelorandWallPaperHistory& OpenHistory() {
        // The fixture's setter, not the dialog's to free.
        m_dialog = std::make_unique<CPelorandWallPaperHistory>(
            nullptr, std::shared_ptr<IWallpaperSetter>(std::shared_ptr<void>(), &m_setter));
        m_dialog->m_pHistory = &m_history;
        EXPECT_TRUE(m_dialog->Create());
        return *m_dialog;
    }
    HWND List() const { return GetDlgItem(m_dialog->m_hWnd, IDC_HISTORY_LIST); }
    void Select(int index) {
        SendMessageW(List(), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(m_dialog->m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_HISTORY_LIST, LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(List()));
        // The picture is decoded off the dialog's thread: handle messages until it is in.
        for (int i = 0; i < 5000 && m_dialog->m_preview.IsLoading(); ++i) {
            Pump();
            Sleep(2);
        }
        Pump();
    }
    // "壁紙に設定する", and the setting on the worker let come back.
    void SetAgain() {
        Click(m_dialog->m_hWnd, ID_SET_WALLPAPER);
        for (int i = 0; i < 5000 && m_dialog->IsSetting(); ++i) {
            Pump();
            Sleep(2);
        }
        EXPECT_FALSE(m_dialog->IsSetting());
    }
    void TearDown() override {
        m_dialog.reset();
        ChangerWindowTest::TearDown();
    }
    std::unique_ptr<CPelorandWallPaperHistory> m_dialog;
};

TEST_F(HistoryDialogTest, ASettingThatNeverEndsHoldsUpNeitherTheDialogNorItsClosing) {
    const std::string red = Image("red.bmp"), blue = Image("blue.bmp");
    m_history.Record(red);
    m_history.Record(blue);
    CUniqueKernelHandle gate(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    m_setter.gate = gate.Get();
    OpenHistory();
    Select(0);
    CResponsivenessProbe probe;
    Click(m_dialog->m_hWnd, ID_SET_WALLPAPER);
    for (int i = 0; i < 2000 && m_setter.inside == 0; ++i) CResponsivenessProbe::PumpFor(2);
    ASSERT_EQ(1, m_setter.inside.load());
    EXPECT_TRUE(m_dialog->IsSetting());
    // Another choice and another click meanwhile: answered, and the click is let go.
    Select(1);
    Click(m_dialog->m_hWnd, ID_SET_WALLPAPER);
    CResponsivenessProbe::PumpFor(100);
    EXPECT_EQ(1, m_setter.inside.load());
    EXPECT_EQ(2u, m_history.GetCount());
    const auto closing = std::chrono::steady_clock::now();
    m_dialog.reset();
    const long closed = CResponsivenessProbe::Since(closing);
    CResponsivenessProbe::PumpFor(50);
    const long longest = probe.Report("history dialog, setting stuck: choice, click, close");
    std::printf("[ closing time ] history dialog with a stuck setting: %ld ms\n", closed);
    EXPECT_LT(closed, 1000);
    EXPECT_LT(longest, 100);
    // Set at last, with nobody to hear of it: the history stays as it was.
    SetEvent(gate.Get());
    for (int i = 0; i < 2000 && m_setter.inside > 0; ++i) Sleep(2);
    Sleep(50);
    CResponsivenessProbe::PumpOnce();
    EXPECT_EQ((std::vector<std::string>{red}), m_setter.asked);
    EXPECT_EQ(2u, m_history.GetCount());
}

TEST_F(HistoryDialogTest, AnEmptyHistoryListsNothingAndDoesNothing) {
    OpenHistory();
    EXPECT_TRUE(ListLines(List()).empty());
    SetAgain();
    EXPECT_TRUE(m_setter.asked.empty());
    EXPECT_FALSE(m_dialog->m_preview.Picture().HasPicture());
}

TEST_F(HistoryDialogTest, SameNamesInTwoDirectoriesEachPreviewAndSetTheirOwnPath) {
    const std::string red = Image("one\\same.bmp", RGB(255, 0, 0), RGB(255, 0, 0));
    const std::string blue = Image("two\\same.bmp", RGB(0, 0, 255), RGB(0, 0, 255));
    m_history.Record(red);
    m_history.Record(blue);
    OpenHistory();
    EXPECT_EQ((std::vector<std::string>{"same.bmp", "same.bmp"}), ListLines(List()));
    EXPECT_EQ(LB_ERR, SendMessageW(List(), LB_GETCURSEL, 0, 0));

    HWND preview = m_dialog->m_preview.m_hWnd;
    Select(1);
    EXPECT_TRUE(Near(RGB(0, 0, 255), PaintedPixel(preview, 10, 10)));
    Select(0);
    EXPECT_TRUE(Near(RGB(255, 0, 0), PaintedPixel(preview, 10, 10)));
    SetAgain();
    EXPECT_EQ(red, m_setter.asked.back());
    Select(1);
    SetAgain();
    EXPECT_EQ(blue, m_setter.asked.back());
    // The list is not filled again: the new entries show at the next opening.
    EXPECT_EQ(2u, ListLines(List()).size());
    EXPECT_EQ(4u, m_history.GetCount());
}

TEST_F(HistoryDialogTest, BmpAndJpegArePreviewedUprightAndAPageLeavesThePreviewEmpty) {
    const std::string bmp = Image("updown.bmp", RGB(255, 0, 0), RGB(0, 0, 255));
    const std::string jpeg = m_dir + "green.jpg";
    WriteBytes(jpeg, std::string(reinterpret_cast<const char*>(kGreenJpeg), sizeof kGreenJpeg));
    const std::string page = m_dir + "page.html";
    WriteBytes(page, "<HTML><BODY></BODY></HTML>\r\n");
    for (const std::string& p : {bmp, jpeg, page}) m_history.Record(p);
    OpenHistory();
    HWND preview = m_dialog->m_preview.m_hWnd;
    RECT rc{};
    GetClientRect(preview, &rc);

    Select(0);
    ASSERT_TRUE(m_dialog->m_preview.Picture().HasPicture());
    EXPECT_TRUE(Near(RGB(255, 0, 0), PaintedPixel(preview, rc.right / 2, 2)));
    EXPECT_TRUE(Near(RGB(0, 0, 255), PaintedPixel(preview, rc.right / 2, rc.bottom - 3)));
    Select(1);
    ASSERT_TRUE(m_dialog->m_preview.Picture().HasPicture());
    EXPECT_TRUE(Near(RGB(0, 255, 0), PaintedPixel(preview, rc.right / 2, rc.bottom / 2)));
    Select(2);
    EXPECT_FALSE(m_dialog->m_preview.Picture().HasPicture());
    EXPECT_EQ(GetSysColor(COLOR_3DFACE), PaintedPixel(preview, rc.right / 2, rc.bottom / 2));
}

TEST_F(HistoryDialogTest, APngIsPreviewedWhileOthersWriteItAndForgedSizesLeaveThePreviewEmpty) {
    // A PNG (which the platform's picture loader does not read), held open for writing by
    // another program; then one whose header claims 30000 x 30000 pixels.
    const std::string png = std::string(PELORAND_TEST_PICTURES) + "/palette.png";
    std::string bytes = ReadBytes(png);
    ASSERT_GT(bytes.size(), 33u) << png;
    const std::string open = m_dir + "open.png", forged = m_dir + "forged.png";
    WriteBytes(open, bytes);
    bytes.replace(16, 8, std::string("\x00\x00\x75\x30\x00\x00\x75\x30", 8));
    WriteBytes(forged, bytes);
    CUniqueFile writer(CreateFileW(ToWide(open).c_str(), GENERIC_READ | GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(writer);
    m_history.Record(open);
    m_history.Record(forged);
    OpenHistory();
    Select(0);
    EXPECT_TRUE(m_dialog->m_preview.Picture().HasPicture());
    const DWORD before = GetTickCount();
    Select(1);
    EXPECT_LT(GetTickCount() - before, 2000u);
    EXPECT_FALSE(m_dialog->m_preview.Picture().HasPicture());
}

TEST_F(HistoryDialogTest, SettingAgainFromAFullHistoryKeepsEveryLineOnItsOwnWallpaper) {
    for (int i = 0; i < 101; ++i) m_history.Record(m_dir + "p" + std::to_string(i) + ".bmp");
    OpenHistory();
    Select(0);
    SetAgain();
    EXPECT_EQ(m_dir + "p0.bmp", m_setter.asked.back());
    ASSERT_EQ(101u, m_history.GetCount());
    std::vector<std::string> lines = ListLines(List());
    ASSERT_EQ(101u, lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        ASSERT_EQ(mbcs::FileName(m_history.GetAt(i)), lines[i]) << i;
    }
    // The line of the wallpaper just set is selected; the first line now sets what it shows.
    EXPECT_EQ(100, SendMessageW(List(), LB_GETCURSEL, 0, 0));
    Select(0);
    SetAgain();
    EXPECT_EQ(m_dir + lines[0], m_setter.asked.back());
}

// The changer phase of the start-up, with the real modal window and the real wallpaper.
struct StartupScript {
    bool shown = false;
    int finalButton = IDCANCEL;
    int ticks = 0;
    UINT finalCommand = 0;  // a command of the running menu in place of stop and the button
};
StartupScript* g_startup = nullptr;

void DriveChangerWindow(CDialog& dialog) {
    g_startup->shown = true;
    if (g_startup->ticks > 0) {
        Click(dialog.m_hWnd, IDC_CHANGER_RUN);
        SettleTick(dynamic_cast<CPelorandChanger&>(dialog));
        for (int i = 0; i < g_startup->ticks; ++i) {
            SendMessageW(dialog.m_hWnd, WM_TIMER, IDT_CHANGER, 0);
            SettleTick(dynamic_cast<CPelorandChanger&>(dialog));
        }
        if (g_startup->finalCommand) {
            SendMessageW(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(g_startup->finalCommand, 0), 0);
            return;
        }
        Click(dialog.m_hWnd, IDC_CHANGER_RUN);
    }
    Click(dialog.m_hWnd, g_startup->finalButton);
}

class StartupTest : public ChangerWindowTest {
  protected:
    void SetUp() override {
        ChangerWindowTest::SetUp();
        g_startup = &m_script;
        CDialog::s_onShown = DriveChangerWindow;
    }
    void TearDown() override {
        CDialog::s_onShown = nullptr;
        g_startup = nullptr;
        ChangerWindowTest::TearDown();
    }
    StartupScript m_script;
};

TEST_F(StartupTest, ClosingTheChangerEndsTheProgramWithoutAnEditorWindow) {
    Settings().WriteInt(setting::ExeCuteCheck, 1);
    EXPECT_FALSE(m_app->RunChangerPhase(""));
    EXPECT_TRUE(m_script.shown);
    EXPECT_EQ(nullptr, m_app->GetDocTemplate());
    EXPECT_EQ(nullptr, m_app->m_pMainWnd);
}

TEST_F(StartupTest, NamedFileOrSettingsModeSkipTheChanger) {
    Settings().WriteInt(setting::ExeCuteCheck, 1);
    EXPECT_TRUE(m_app->RunChangerPhase("C:\\x.plr"));
    Settings().WriteInt(setting::ExeCuteCheck, 0);
    EXPECT_TRUE(m_app->RunChangerPhase(""));
    EXPECT_FALSE(m_script.shown);
}

TEST_F(StartupTest, SettingsButtonGoesOnToAnUntitledEditorKeepingTheHistory) {
    Settings().WriteInt(setting::ExeCuteCheck, 1);
    Settings().WriteInt(setting::ModType, 0);
    const std::string r1 = Image("r1.bmp"), a1 = Image("a1.bmp");
    UseNamedFile(Collection({r1}, {a1}));
    m_script.finalButton = IDC_CHANGER_SETTINGS;
    m_script.ticks = 2;
    const std::size_t before = WallPaperHistory().GetCount();
    ASSERT_TRUE(m_app->RunChangerPhase(""));
    ASSERT_EQ(before + 2, WallPaperHistory().GetCount());
    EXPECT_EQ(a1, WallPaperHistory().GetAt(WallPaperHistory().GetCount() - 1));
    EXPECT_EQ(0, Settings().GetInt(setting::ExecuteRadio));

    ASSERT_TRUE(OpenEditor(""));
    EXPECT_TRUE(Doc()->GetPathName().empty());
    EXPECT_EQ(before + 2, WallPaperHistory().GetCount());
}

TEST_F(StartupTest, ShowInEditorOpensTheRunningCollectionOnTheEntryShown) {
    Settings().WriteInt(setting::ExeCuteCheck, 1);
    Settings().WriteInt(setting::ModType, 0);
    const std::string r1 = Image("r1.bmp"), a1 = Image("a1.bmp"), a2 = Image("a2.bmp");
    const std::string collection = Collection({r1}, {a1, a2});
    UseNamedFile(collection);
    m_script.ticks = 2;
    m_script.finalCommand = ID_CHANGER_EDIT;
    ASSERT_TRUE(m_app->RunChangerPhase(""));
    EXPECT_EQ(collection, m_app->ChangerEditFile());

    ASSERT_TRUE(OpenEditor(m_app->ChangerEditFile()));
    m_app->SelectChangerEntry();
    CBlock* folder = Doc()->SelectedFolder();
    ASSERT_NE(nullptr, folder);
    EXPECT_EQ("A", folder->m_strName);
    std::vector<CBlock*> selected = Frame()->GetActiveList()->GetSelectedEntries();
    ASSERT_EQ(1u, selected.size());
    EXPECT_EQ(a1, selected[0]->m_strName);
}

}  // namespace

namespace {
// The first window of class cls below parent, or null.
HWND ChildOfClass(HWND parent, const wchar_t* cls) {
    struct Search {
        const wchar_t* cls;
        HWND found;
    } search{cls, nullptr};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM param) {
            auto* s = reinterpret_cast<Search*>(param);
            wchar_t name[64] = L"";
            GetClassNameW(child, name, 64);
            if (lstrcmpiW(name, s->cls) != 0) return TRUE;
            s->found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}
}  // namespace

// Run also under a locale whose ANSI code page is not 932 (see tests/editor/CMakeLists.txt):
// the program's own texts must read the same there.
TEST_F(ChangerWindowTest, OnAnyCodePageTheRunButtonAndTheEditorsTextsReadRight) {
    // The run under another locale says which code page it expects, lest it test 932 twice.
    if (const char* expected = std::getenv("PELORAND_EXPECT_ACP")) {
        ASSERT_EQ(static_cast<UINT>(std::atoi(expected)), GetACP());
    }
    const std::string collection = Collection({Image("a.bmp")}, {});
    UseNamedFile(collection);
    OpenChanger();
    ClickRun();
    wchar_t text[64] = L"";
    InternalGetWindowText(GetDlgItem(Window(), IDC_CHANGER_RUN), text, 64);
    EXPECT_STREQ(L"\u505c\u6b62", text);  // 停止
    ClickRun();
    InternalGetWindowText(GetDlgItem(Window(), IDC_CHANGER_RUN), text, 64);
    EXPECT_STREQ(L"\u8d77\u52d5", text);  // 起動
    m_changer.reset();

    // The editor's title, a column header and a priority label in the list.
    ASSERT_TRUE(OpenEditor(collection));
    InternalGetWindowText(Frame()->m_hWnd, text, 64);
    EXPECT_EQ(std::wstring(L"c.plr - Pelorand For ActiveDesktop "), text);
    // A folder's label in the tree, as the collection names it.
    HWND treeWindow = ChildOfClass(Frame()->m_hWnd, WC_TREEVIEWW);
    Doc()->RenameEntry(Doc()->m_pRoot, "壁紙");
    TVITEMW label{};
    label.mask = TVIF_TEXT | TVIF_HANDLE;
    label.hItem = TreeView_GetRoot(treeWindow);
    label.pszText = text;
    label.cchTextMax = 64;
    SendMessageW(treeWindow, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&label));
    EXPECT_STREQ(L"\u58c1\u7d19", text);  // 壁紙
    Doc()->SetModifiedFlag(false);
    HWND listWindow = Frame()->GetActiveList()->m_hWnd;
    ASSERT_GT(ListView_GetItemCount(listWindow), 0);
    LVITEMW row{};
    row.iSubItem = 2;
    row.pszText = text;
    row.cchTextMax = 64;
    SendMessageW(listWindow, LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&row));
    EXPECT_STREQ(L"OK\u3060\u3088", text);  // OKだよ
    HWND header = ChildOfClass(Frame()->m_hWnd, WC_HEADERW);
    ASSERT_NE(nullptr, header);
    HDITEMW item{};
    item.mask = HDI_TEXT;
    item.pszText = text;
    item.cchTextMax = 64;
    ASSERT_TRUE(SendMessageW(header, HDM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    EXPECT_STREQ(L"\u30d5\u30a1\u30a4\u30eb\u540d", text);  // ファイル名

    // A toolbar button's tip, asked of the tip window as the pointer would.
    HWND toolbar = FindWindowExW(nullptr, nullptr, TOOLBARCLASSNAMEW, nullptr);
    EnumChildWindows(
        Frame()->m_hWnd,
        [](HWND child, LPARAM found) {
            wchar_t cls[64] = L"";
            GetClassNameW(child, cls, 64);
            if (lstrcmpiW(cls, TOOLBARCLASSNAMEW) != 0) return TRUE;
            *reinterpret_cast<HWND*>(found) = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&toolbar));
    ASSERT_NE(nullptr, toolbar);
    HWND tips = reinterpret_cast<HWND>(SendMessageW(toolbar, TB_GETTOOLTIPS, 0, 0));
    ASSERT_NE(nullptr, tips);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = toolbar;
    tool.uId = ID_FILE_NEW;
    tool.lpszText = text;
    text[0] = 0;
    SendMessageW(tips, TTM_GETTEXTW, 64, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(L"\u65b0\u898f\uff8c\uff67\uff72\uff99", text);  // 新規ﾌｧｲﾙ

    // An untitled collection's caption.
    CloseEditor();
    ASSERT_TRUE(OpenEditor(""));
    EXPECT_EQ(UiText("無題 - Pelorand For ActiveDesktop "), WindowTitle(Frame()->m_hWnd));
}

namespace {
std::wstring StoredWallpaper() {
    wchar_t value[MAX_PATH * 2] = L"";
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"Wallpaper", RRF_RT_REG_SZ,
                     nullptr, value, &size) != ERROR_SUCCESS) {
        return L"<none>";
    }
    return value;
}
}  // namespace

// Run also under code page 1252, as the test above: the changer's window reads its Japanese
// texts, and a picture in a folder named in Japanese becomes the wallpaper by its full name.
TEST_F(ChangerWindowTest, OnAnyCodePageTheChangerSetsAPictureInAJapaneseFolder) {
    if (const char* expected = std::getenv("PELORAND_EXPECT_ACP")) {
        ASSERT_EQ(static_cast<UINT>(std::atoi(expected)), GetACP());
    }
    Settings().WriteInt(setting::ModType, 0);
    const std::wstring previous = StoredWallpaper();
    const std::string folder = m_dir + "壁紙";
    CreateDirectoryW(ToWide(folder).c_str(), nullptr);
    const std::string picture = Image("壁紙\\夜景.bmp", RGB(0, 0, 128), RGB(0, 0, 128));
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(ToWide(picture).c_str()));
    const std::string collection = Collection({picture}, {});
    UseNamedFile(collection);
    CWallpaperSetter setter(m_history);
    ChangerHooks hooks;
    hooks.setter = &setter;
    hooks.history = &m_history;
    m_changer = std::make_unique<CPelorandChanger>(Settings(), nullptr, hooks);
    ASSERT_TRUE(m_changer->Create());
    EXPECT_TRUE(IsWindowUnicode(Window()));
    EXPECT_EQ(UiText("壁紙チェンジャー起動"), WindowTitle(Window()));
    EXPECT_EQ(UiText("最近設定したファイルを起動"),
              WindowTitle(GetDlgItem(Window(), IDC_CHANGER_RADIO_RECENT)));
    EXPECT_EQ(collection, Text(Window(), IDC_CHANGER_FILE));

    Click(Window(), IDC_CHANGER_RUN);
    Tick();
    Click(Window(), IDC_CHANGER_RUN);
    m_changer.reset();
    ASSERT_FALSE(m_history.Paths().empty());
    EXPECT_EQ(picture, m_history.Paths().back());
    EXPECT_EQ(ToWide(picture), StoredWallpaper());

    if (previous != L"<none>") {
        std::wstring restore = previous;
        SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, &restore[0], SPIF_UPDATEINIFILE);
    }
    DeleteFileW(ToWide(picture).c_str());
    RemoveDirectoryW(ToWide(folder).c_str());
}

TEST_F(ChangerWindowTest, EachMonitorsPictureGoesToTheSetterInOneListAndIntoTheHistory) {
    Settings().WriteInt(setting::ModType, 0);
    Settings().WriteInt(setting::CheckPerMonitor, 1);
    Settings().WriteInt(setting::EndFileSetCheck, 1);
    const std::string r1 = Image("r1.bmp"), r2 = Image("r2.bmp"), a1 = Image("a1.bmp");
    const std::string end = Image("end.bmp");
    Settings().WriteString(setting::EndFileName, end);
    UseNamedFile(Collection({r1, r2}, {a1}));
    int monitors = 2;
    ChangerHooks hooks;
    hooks.monitors = [&monitors] { return monitors; };
    OpenChanger(std::move(hooks));
    ClickRun();
    Tick();
    // The primary takes the next folder, the second monitor the one after it.
    EXPECT_EQ((std::vector<std::string>{"0:r1.bmp", "1:a1.bmp"}), m_setter.eachAsked);
    EXPECT_TRUE(m_setter.asked.empty());
    ASSERT_EQ(2u, m_history.GetCount());
    EXPECT_EQ(r1, m_history.GetAt(0));
    EXPECT_EQ(a1, m_history.GetAt(1));
    EXPECT_EQ("r1.bmp", m_changer->GetInfoView()->m_strName);

    // A third monitor plugged in counts from the next tick; gone again before its picture
    // came, it gets nothing recorded.
    monitors = 3;
    m_setter.monitorsNow = 2;
    m_setter.eachAsked.clear();
    Tick();
    EXPECT_EQ((std::vector<std::string>{"0:r2.bmp", "1:a1.bmp", "2:r1.bmp"}), m_setter.eachAsked);
    ASSERT_EQ(4u, m_history.GetCount());
    EXPECT_EQ(r2, m_history.GetAt(2));
    EXPECT_EQ(a1, m_history.GetAt(3));
    EXPECT_EQ("r2.bmp", m_changer->GetInfoView()->m_strName);

    // One monitor again: the single picture's way; and the option off: the same.
    monitors = 1;
    Tick();
    EXPECT_EQ((std::vector<std::string>{a1}), m_setter.asked);
    monitors = 2;
    Settings().WriteInt(setting::CheckPerMonitor, 0);
    Tick();
    EXPECT_EQ(2u, m_setter.asked.size());
    EXPECT_EQ(3u, m_setter.eachAsked.size());

    // The end wallpaper on every monitor, recorded once.
    Settings().WriteInt(setting::CheckPerMonitor, 1);
    m_setter.eachAsked.clear();
    const std::size_t before = m_history.GetCount();
    m_changer.reset();
    EXPECT_EQ((std::vector<std::string>{"0:end.bmp", "1:end.bmp"}), m_setter.eachAsked);
    ASSERT_EQ(before + 1, m_history.GetCount());
    EXPECT_EQ(end, m_history.GetAt(before));
}
