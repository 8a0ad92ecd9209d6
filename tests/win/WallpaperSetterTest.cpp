#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>
// clang-format off
#include <wininet.h>  // before shlobj.h, which declares IActiveDesktop only after it
#include <shlobj.h>
// clang-format on

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "changer/CrtRandom.h"
#include "changer/DesktopWallpaper_win.h"
#include "changer/WallPaperHistory.h"
#include "changer/WallpaperFit.h"
#include "changer/WallpaperSetter_win.h"
#include "changer/WallpaperStyle_win.h"
#include "win/Handles.h"
#include "win/Strconv.h"

namespace {

std::string StoredWallpaper() {
    wchar_t value[MAX_PATH * 2] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"Wallpaper", RRF_RT_REG_SZ,
                     nullptr, value, &size) != ERROR_SUCCESS) {
        return "<none>";
    }
    return UiFromWide(value);
}

void Put16(std::string& out, std::uint16_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}

void Put32(std::string& out, std::uint32_t v) {
    Put16(out, static_cast<std::uint16_t>(v & 0xFFFF));
    Put16(out, static_cast<std::uint16_t>(v >> 16));
}

// A 24-bit BMP of the given size whose pixel rows hold only `pixelBytes` bytes: the whole
// picture for 1 x 1, a forged header for a huge one.
std::string Bmp(std::uint32_t width, std::uint32_t height, std::size_t pixelBytes) {
    const std::uint32_t stride = (width * 3 + 3) / 4 * 4;
    std::string out = "BM";
    Put32(out, 54 + stride * height);
    Put32(out, 0);
    Put32(out, 54);
    Put32(out, 40);
    Put32(out, width);
    Put32(out, height);
    Put16(out, 1);
    Put16(out, 24);
    Put32(out, 0);  // BI_RGB
    Put32(out, stride * height);
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, 0);
    Put32(out, 0);
    out.append(pixelBytes, '\x40');
    return out;
}

void PutBig16(std::string& out, std::uint16_t v) {
    out += static_cast<char>(v >> 8);
    out += static_cast<char>(v & 0xFF);
}

// The start of a baseline JPEG whose frame header claims width x height, padded to 1 KB.
std::string ForgedJpeg(std::uint16_t width, std::uint16_t height) {
    std::string out = "\xFF\xD8\xFF\xE0";
    PutBig16(out, 16);
    out += std::string("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14);
    out += "\xFF\xC0";
    PutBig16(out, 11);
    out += '\x08';
    PutBig16(out, height);
    PutBig16(out, width);
    out += std::string("\x01\x01\x11\0", 4);
    out.resize(1024, '\0');
    return out;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Sets wallpapers for real, so the user's own wallpaper is put back afterwards.
class WallpaperSetterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        previous = StoredWallpaper();
        const std::string temp = TempFolderPath();
        dir = temp;
        picture = dir + "壁紙テスト.bmp";
        WriteFile(picture, Bmp(1, 1, 4));
    }
    void TearDown() override {
        if (previous != "<none>") {
            std::wstring wide = ToWide(previous);
            SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, &wide[0],
                                  SPIF_UPDATEINIFILE);
        }
        DeleteFileW(ToWide(picture).c_str());
        for (const std::string& path : others) DeleteFileW(ToWide(path).c_str());
    }
    std::string Other(const std::string& name, const std::string& bytes) {
        others.push_back(dir + name);
        WriteFile(others.back(), bytes);
        return others.back();
    }

    std::string dir;
    std::vector<std::string> others;
    std::string previous;
    std::string picture;
    CWallPaperHistory history;
};

// The shell's Active Desktop as Windows has it: each call recorded, each answer chosen.
class FakeActiveDesktop : public IActiveDesktop {
  public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IActiveDesktop) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    STDMETHODIMP ApplyChanges(DWORD flags) override {
        calls.push_back("ApplyChanges");
        applyFlags = flags;
        return applyResult;
    }
    STDMETHODIMP SetWallpaper(PCWSTR path, DWORD) override {
        calls.push_back("SetWallpaper");
        wallpaper = path ? path : L"<null>";
        return setResult;
    }
    STDMETHODIMP GetWallpaperOptions(LPWALLPAPEROPT options, DWORD) override {
        calls.push_back("GetWallpaperOptions");
        if (!options || options->dwSize != sizeof(WALLPAPEROPT)) return E_INVALIDARG;
        options->dwStyle = WPSTYLE_TILE;  // the user's style before
        return getOptionsResult;
    }
    STDMETHODIMP SetWallpaperOptions(LPCWALLPAPEROPT options, DWORD) override {
        calls.push_back("SetWallpaperOptions");
        style = options ? options->dwStyle : ~0ul;
        return setOptionsResult;
    }
    STDMETHODIMP GetWallpaper(PWSTR, UINT, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetPattern(PWSTR, UINT, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP SetPattern(PCWSTR, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetDesktopItemOptions(LPCOMPONENTSOPT, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP SetDesktopItemOptions(LPCCOMPONENTSOPT, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP AddDesktopItem(LPCCOMPONENT, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP AddDesktopItemWithUI(HWND, LPCOMPONENT, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP ModifyDesktopItem(LPCCOMPONENT, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP RemoveDesktopItem(LPCCOMPONENT, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetDesktopItemCount(int*, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetDesktopItem(int, LPCOMPONENT, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetDesktopItemByID(ULONG_PTR, LPCOMPONENT, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GenerateDesktopItemHtml(PCWSTR, LPCOMPONENT, DWORD) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP AddUrl(HWND, PCWSTR, LPCOMPONENT, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetDesktopItemBySource(PCWSTR, LPCOMPONENT, DWORD) override {
        return E_NOTIMPL;
    }

    ULONG refs = 1;  // the test's own
    std::vector<std::string> calls;
    std::wstring wallpaper;
    DWORD style = 0, applyFlags = 0;
    HRESULT setResult = S_OK, getOptionsResult = S_OK, setOptionsResult = S_OK,
            applyResult = S_OK;
};

class ActiveDesktopPathTest : public WallpaperSetterTest {
  protected:
    void SetUp() override {
        WallpaperSetterTest::SetUp();
        ops.activeDesktop = [this](IActiveDesktop** out) {
            desktop.AddRef();
            *out = &desktop;
            return S_OK;
        };
        SetWallpaperFitSource([] { return static_cast<int>(WallpaperFit::Stretch); });
        // What the system path would write shows whether the setter fell back to it.
        SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(""), SPIF_UPDATEINIFILE);
    }
    void TearDown() override {
        SetWallpaperFitSource(nullptr);
        EXPECT_EQ(desktop.refs, 1u);  // every reference handed out is given back
        WallpaperSetterTest::TearDown();
    }
    FakeActiveDesktop desktop;
    WallpaperSetterOps ops;
};

}  // namespace

TEST_F(ActiveDesktopPathTest, TheWidePathAndTheFitGoToTheShellAndOnlyASetWallpaperIsRecorded) {
    ASSERT_TRUE(SetDesktopWallpaperWith(picture, history, ops));
    EXPECT_EQ(desktop.calls, (std::vector<std::string>{"SetWallpaper", "GetWallpaperOptions",
                                                       "SetWallpaperOptions", "ApplyChanges"}));
    // The Japanese name arrives whole, as UTF-16.
    const int n = MultiByteToWideChar(CP_ACP, 0, picture.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, picture.c_str(), -1, &wide[0], n);
    wide.resize(static_cast<std::size_t>(n - 1));
    EXPECT_EQ(desktop.wallpaper, wide);
    EXPECT_NE(desktop.wallpaper.find(L"壁紙テスト.bmp"), std::wstring::npos);
    EXPECT_EQ(desktop.style, static_cast<DWORD>(WPSTYLE_STRETCH));
    EXPECT_TRUE(desktop.applyFlags & AD_APPLY_SAVE);
    EXPECT_TRUE(desktop.applyFlags & AD_APPLY_REFRESH);
    ASSERT_EQ(history.GetCount(), 1u);
    EXPECT_EQ(history.GetAt(0), picture);
    EXPECT_EQ(StoredWallpaper(), "");  // the system's path was not taken

    // "変更しない" hands the shell's own style back.
    SetWallpaperFitSource([] { return static_cast<int>(WallpaperFit::Unchanged); });
    ASSERT_TRUE(SetDesktopWallpaperWith(picture, history, ops));
    EXPECT_EQ(desktop.style, static_cast<DWORD>(WPSTYLE_TILE));
}

TEST_F(ActiveDesktopPathTest, EachCallThatFailsEndsTheChangeUnrecordedAndNotImplementedFallsBack) {
    HRESULT FakeActiveDesktop::*results[] = {
        &FakeActiveDesktop::setResult, &FakeActiveDesktop::getOptionsResult,
        &FakeActiveDesktop::setOptionsResult, &FakeActiveDesktop::applyResult};
    for (std::size_t failing = 0; failing < std::size(results); ++failing) {
        desktop = FakeActiveDesktop();
        desktop.*results[failing] = E_FAIL;
        EXPECT_FALSE(SetDesktopWallpaperWith(picture, history, ops)) << failing;
        // Nothing after the failing call, and no second way tried behind the shell's back.
        EXPECT_EQ(desktop.calls.size(), failing + 1) << failing;
        EXPECT_EQ(history.GetCount(), 0u) << failing;
        EXPECT_EQ(StoredWallpaper(), "") << failing;
    }
    // A shell that only stubs it (as Wine's does): the system's own setting takes over.
    for (std::size_t failing = 0; failing < std::size(results); ++failing) {
        desktop = FakeActiveDesktop();
        desktop.*results[failing] = E_NOTIMPL;
        SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(""), SPIF_UPDATEINIFILE);
        EXPECT_TRUE(SetDesktopWallpaperWith(picture, history, ops)) << failing;
        EXPECT_EQ(StoredWallpaper(), picture) << failing;
    }
    EXPECT_EQ(history.GetCount(), std::size(results));
    // No object at all, or one without the interface: the system's setting too.
    for (HRESULT made : {REGDB_E_CLASSNOTREG, E_NOINTERFACE}) {
        ops.activeDesktop = [made](IActiveDesktop** out) {
            *out = nullptr;
            return made;
        };
        SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(""), SPIF_UPDATEINIFILE);
        EXPECT_TRUE(SetDesktopWallpaperWith(picture, history, ops));
        EXPECT_EQ(StoredWallpaper(), picture);
    }
}

TEST_F(WallpaperSetterTest, SetsTheWallpaperAndRecordsItWithOrWithoutCom) {
    // Without COM the shell object cannot be made; with it, Wine's answers E_NOTIMPL. Both
    // must end with the wallpaper set by the system and recorded once.
    ASSERT_TRUE(SetDesktopWallpaper(picture, history));
    EXPECT_EQ(StoredWallpaper(), picture);
    ASSERT_EQ(history.GetCount(), 1u);
    EXPECT_EQ(history.GetAt(0), picture);

    {
        CComInit com;
        ASSERT_TRUE(SUCCEEDED(com.Result()));
        CWallpaperSetter setter(history);
        EXPECT_TRUE(setter.SetDesktopWallpaper(""));  // an empty path is passed on as it is
        EXPECT_EQ(StoredWallpaper(), "");
        EXPECT_TRUE(setter.SetDesktopWallpaper(picture));
        EXPECT_EQ(StoredWallpaper(), picture);
    }
    ASSERT_EQ(history.GetCount(), 3u);
    EXPECT_EQ(history.GetAt(1), "");
    EXPECT_EQ(history.GetAt(2), picture);
}

TEST_F(WallpaperSetterTest, OnlyAPictureOfATakableSizeIsSet) {
    ASSERT_TRUE(SetDesktopWallpaper(picture, history));
    const std::string html = Other("page.html", "<html><body><img src=a.jpg></body></html>\r\n");
    const std::string text = Other("notes.jpg", "this is a text file, not a picture\r\n");
    const std::string twoBytes = Other("two.bmp", "BM");
    const std::string missing = dir + "no-such-picture.bmp";
    DeleteFileW(ToWide(missing).c_str());
    const std::string hugeBmp = Other("huge.bmp", Bmp(20000, 20000, 1024 - 54));
    const std::string hugeJpeg = Other("huge.jpg", ForgedJpeg(20000, 20000));
    const std::string wide = Other("wide.bmp", Bmp(65536, 1025, 1024 - 54));
    for (bool withCom : {false, true}) {
        CComInit com(withCom ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED);
        for (const std::string& path : {html, text, twoBytes, missing, hugeBmp, hugeJpeg, wide}) {
            const auto start = std::chrono::steady_clock::now();
            EXPECT_FALSE(SetDesktopWallpaper(path, history)) << path;
            const auto spent = std::chrono::steady_clock::now() - start;
            // Headers only: no picture of 20000 x 20000 is decoded to find it too big.
            EXPECT_LT(spent, std::chrono::milliseconds(500)) << path;
            EXPECT_EQ(StoredWallpaper(), picture) << path;
        }
    }
    ASSERT_EQ(history.GetCount(), 1u);

    // The largest picture taken has 64 Mi pixels; its size is read from the header alone.
    const std::string largest = Other("largest.bmp", Bmp(65536, 1024, 1024 - 54));
    EXPECT_TRUE(SetDesktopWallpaper(largest, history));
    EXPECT_EQ(StoredWallpaper(), largest);
    EXPECT_EQ(history.GetCount(), 2u);

    // A picture held open by another program without write sharing is still read and set.
    CUniqueFile held(CreateFileW(ToWide(picture).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                 nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    EXPECT_TRUE(SetDesktopWallpaper(picture, history));
    EXPECT_EQ(history.GetCount(), 3u);
}

TEST(CrtRandomOnWindows, AgreesWithTheCLibrarysRand) {
    for (unsigned seed : {0u, 1u, 1765000000u, 0xFFFFFFFFu}) {
        std::srand(seed);
        CCrtRandom ours;
        ours.Seed(seed);
        for (int i = 0; i < 1000; ++i) ASSERT_EQ(ours.Next(), std::rand()) << seed << " " << i;
    }
}

namespace {

// The shell's desktop wallpaper object of Windows 8 and later, which Wine lacks: each call
// recorded as the shell would see it, and the monitors it reports chosen by the test.
class FakeDesktopWallpaper : public shell::IDesktopWallpaper {
  public:
    struct Monitor {
        std::wstring id;
        RECT rect;
        HRESULT rectResult = S_OK;
    };
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == shell::kIidDesktopWallpaper) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE SetWallpaper(LPCWSTR monitor, LPCWSTR path) override {
        const std::wstring id = monitor ? monitor : L"(all)";
        calls.push_back(L"SetWallpaper " + id + L" " + path);
        if (id == unplugged) return E_FAIL;
        for (const Monitor& m : monitors) {
            if (m.id == id) return S_OK;
        }
        return E_FAIL;  // unplugged since it was listed
    }
    HRESULT STDMETHODCALLTYPE GetWallpaper(LPCWSTR, LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMonitorDevicePathAt(UINT index, LPWSTR* id) override {
        calls.push_back(L"GetMonitorDevicePathAt " + std::to_wstring(index));
        // Gone between the count and now: the list is shorter than the count said.
        if (index >= monitors.size() || index >= listed) return E_INVALIDARG;
        const std::wstring& name = monitors[index].id;
        *id = static_cast<LPWSTR>(CoTaskMemAlloc((name.size() + 1) * sizeof(wchar_t)));
        lstrcpyW(*id, name.c_str());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMonitorDevicePathCount(UINT* count) override {
        calls.push_back(L"GetMonitorDevicePathCount");
        *count = static_cast<UINT>(monitors.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMonitorRECT(LPCWSTR id, RECT* rect) override {
        for (const Monitor& m : monitors) {
            if (m.id != id) continue;
            *rect = m.rect;
            return m.rectResult;
        }
        return E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE SetBackgroundColor(COLORREF) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBackgroundColor(COLORREF*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetPosition(int position) override {
        calls.push_back(L"SetPosition " + std::to_wstring(position));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPosition(int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetSlideshow(IShellItemArray*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSlideshow(IShellItemArray**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetSlideshowOptions(int, UINT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSlideshowOptions(int*, UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AdvanceSlideshow(LPCWSTR, int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStatus(int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Enable(BOOL) override { return E_NOTIMPL; }

    std::vector<Monitor> monitors;
    std::size_t listed = 99;  // how many GetMonitorDevicePathAt still finds
    std::wstring unplugged;   // listed, but gone when its picture comes
    std::vector<std::wstring> calls;
    ULONG refs = 1;
};

class MonitorWallpaperTest : public WallpaperSetterTest {
  protected:
    void SetUp() override {
        WallpaperSetterTest::SetUp();
        ops.desktopWallpaper = [this](shell::IDesktopWallpaper** out) {
            if (!available) {
                *out = nullptr;
                return REGDB_E_CLASSNOTREG;
            }
            desktop.AddRef();
            *out = &desktop;
            return S_OK;
        };
        SetWallpaperFitSource([] { return static_cast<int>(WallpaperFit::Fill); });
        second = Other("二枚目.bmp", Bmp(2, 1, 8));
        third = Other("三枚目.bmp", Bmp(1, 2, 8));
        SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(""), SPIF_UPDATEINIFILE);
    }
    void TearDown() override {
        SetWallpaperFitSource(nullptr);
        EXPECT_EQ(desktop.refs, 1u);
        WallpaperSetterTest::TearDown();
    }
    // The calls after the monitors were read, with the pictures' names shortened.
    std::vector<std::wstring> Sets() const {
        std::vector<std::wstring> out;
        for (std::wstring call : desktop.calls) {
            if (call.compare(0, 3, L"Get") == 0) continue;
            const std::wstring folder = ToWide(dir);
            for (std::size_t at; (at = call.find(folder)) != std::wstring::npos;)
                call.erase(at, folder.size());
            out.push_back(call);
        }
        return out;
    }
    static RECT Rect(LONG left, LONG top, LONG right, LONG bottom) {
        return RECT{left, top, right, bottom};
    }

    FakeDesktopWallpaper desktop;
    WallpaperSetterOps ops;
    bool available = true;
    std::string second, third;
};

using Paths = std::vector<IWallpaperSetter::MonitorPath>;

}  // namespace

TEST_F(MonitorWallpaperTest, EachMonitorGetsItsPictureThePrimaryFirstAndTheFitOnce) {
    // Listed as the shell lists them: the right-hand monitor before the primary.
    desktop.monitors = {{L"\\\\?\\DISPLAY#RIGHT", Rect(1920, 0, 3840, 1080)},
                        {L"\\\\?\\DISPLAY#MAIN", Rect(0, 0, 1920, 1080)}};
    CWallpaperSetter setter(history, ops);
    EXPECT_EQ(setter.ApplyEach(Paths{{0, picture}, {1, second}}), (std::vector<bool>{true, true}));
    EXPECT_EQ(Sets(), (std::vector<std::wstring>{
                          L"SetPosition 4", L"SetWallpaper \\\\?\\DISPLAY#MAIN 壁紙テスト.bmp",
                          L"SetWallpaper \\\\?\\DISPLAY#RIGHT 二枚目.bmp"}));
    EXPECT_EQ(history.GetCount(), 0u);  // the caller records
    EXPECT_EQ(StoredWallpaper(), "");   // and the one-for-all path was not taken

    // Three, one above the primary (negative coordinates) and one remembered but switched off,
    // which gets nothing; a monitor only the caller counted gets nothing either.
    desktop.calls.clear();
    desktop.monitors = {{L"MAIN", Rect(0, 0, 1920, 1080)},
                        {L"OFF", Rect(0, 0, 0, 0), S_FALSE},
                        {L"ABOVE", Rect(0, -1200, 1920, 0)},
                        {L"LEFT", Rect(-1080, -200, 0, 1720)}};
    SetWallpaperFitSource([] { return static_cast<int>(WallpaperFit::Unchanged); });
    EXPECT_EQ(setter.ApplyEach(Paths{{0, picture}, {1, second}, {2, third}, {3, picture}}),
              (std::vector<bool>{true, true, true, false}));
    EXPECT_EQ(Sets(), (std::vector<std::wstring>{L"SetWallpaper MAIN 壁紙テスト.bmp",
                                                 L"SetWallpaper ABOVE 二枚目.bmp",
                                                 L"SetWallpaper LEFT 三枚目.bmp"}));
}

TEST_F(MonitorWallpaperTest, AMonitorGoneBetweenTheCountAndTheSetIsLeftOutAndTheRestSet) {
    desktop.monitors = {{L"MAIN", Rect(0, 0, 1920, 1080)},
                        {L"DOCK1", Rect(1920, 0, 3840, 1080)},
                        {L"DOCK2", Rect(3840, 0, 5760, 1080)}};
    // Counted three, and the third gone before it could be listed.
    desktop.listed = 2;
    CWallpaperSetter setter(history, ops);
    EXPECT_EQ(setter.ApplyEach(Paths{{0, picture}, {1, second}, {2, third}}),
              (std::vector<bool>{true, true, false}));
    EXPECT_EQ(Sets(), (std::vector<std::wstring>{L"SetPosition 4",
                                                 L"SetWallpaper MAIN 壁紙テスト.bmp",
                                                 L"SetWallpaper DOCK1 二枚目.bmp"}));

    // Listed, then unplugged before its picture came: the shell refuses that one only. A file
    // that is no picture is not handed to the shell at all.
    desktop.calls.clear();
    desktop.listed = 99;
    desktop.unplugged = L"DOCK2";
    const std::string text = Other("notes.jpg", "not a picture\r\n");
    EXPECT_EQ(setter.ApplyEach(Paths{{0, picture}, {1, text}, {2, third}}),
              (std::vector<bool>{true, false, false}));
    EXPECT_EQ(Sets(), (std::vector<std::wstring>{L"SetPosition 4",
                                                 L"SetWallpaper MAIN 壁紙テスト.bmp",
                                                 L"SetWallpaper DOCK2 三枚目.bmp"}));
}

TEST_F(MonitorWallpaperTest, WithoutTheObjectEveryMonitorGetsThePrimarysPicture) {
    // Vista, 7 and Wine: the one-for-all setter, with monitor 0's picture, wherever it is listed.
    available = false;
    CWallpaperSetter setter(history, ops);
    EXPECT_EQ(setter.ApplyEach(Paths{{1, second}, {0, picture}, {2, third}}),
              (std::vector<bool>{false, true, false}));
    EXPECT_EQ(StoredWallpaper(), picture);
    EXPECT_TRUE(desktop.calls.empty());
    // An object that lists no monitor with a place on the screen: the same.
    available = true;
    desktop.monitors = {{L"OFF", Rect(0, 0, 0, 0), S_FALSE}};
    EXPECT_EQ(setter.ApplyEach(Paths{{0, second}, {1, third}}), (std::vector<bool>{true, false}));
    EXPECT_EQ(StoredWallpaper(), second);
    EXPECT_EQ(Sets(), std::vector<std::wstring>{});
}
