// The options sheet driven in-process: the framework's messages on bad fields, which pages are
// saved, cancel, the information page's live sample and the image page's preview.
#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <commctrl.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "EditorFixture.h"
#include "app/RegistrySettingsStore_win.h"
#include "fw/CommonDialogs.h"
#include "model/Settings.h"
#include "res/resource.h"
#include "ui/ImageLayoutPreview.h"
#include "ui/MainFrame.h"
#include "ui/PelorandOption.h"
#include "win/Handles.h"
#include "win/Strconv.h"

namespace {

const char kPositive[] = "正の整数を入力してください。";
const char kRange[] = "1 から 9999 までの整数を入力してください。";

std::function<void(HWND sheet)> g_sheetScript;

HWND CurrentPage(HWND sheet) {
    return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

void Press(HWND sheet, int button) {
    SendMessageW(sheet, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0);
}

void ClickButton(HWND page, int id) {
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
}

// A 32-bit top-down copy of what dc shows in rect, as 0x00RRGGBB values.
struct Pixels {
    int width = 0, height = 0;
    std::vector<DWORD> bits;
    DWORD At(int x, int y) const { return bits[static_cast<std::size_t>(y * width + x)]; }
    static DWORD Rgb(COLORREF c) {
        return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    }
};

Pixels Capture(const std::function<void(HDC)>& paint, int width, int height) {
    Pixels out;
    out.width = width;
    out.height = height;
    out.bits.resize(static_cast<std::size_t>(width * height));
    CClientDC screen(nullptr);
    CMemoryDC dc(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* data = nullptr;
    CUniqueBitmap bitmap(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &data, nullptr, 0));
    {
        CSelectObject select(dc, bitmap.Get());
        paint(dc);
        GdiFlush();
    }
    const auto* bits = static_cast<const DWORD*>(data);
    for (std::size_t i = 0; i < out.bits.size(); ++i) out.bits[i] = bits[i] & 0xFFFFFF;
    return out;
}

// What a window shows on screen now.
Pixels Screen(HWND hwnd) {
    RECT rc{};
    GetClientRect(hwnd, &rc);
    return Capture(
        [&](HDC dc) {
            CClientDC window(hwnd);
            BitBlt(dc, 0, 0, rc.right, rc.bottom, window, 0, 0, SRCCOPY);
        },
        rc.right, rc.bottom);
}

class OptionsTest : public EditorTest {
  protected:
    void SetUp() override {
        EditorTest::SetUp();
        CPropertySheet::s_onShown = [](HWND sheet) {
            if (g_sheetScript) g_sheetScript(sheet);
        };
    }
    void TearDown() override {
        CPropertySheet::s_onShown = nullptr;
        g_sheetScript = nullptr;
        TestCommonDialogHooks() = CommonDialogHooks();
        EditorTest::TearDown();
    }
    // The editor stores its layout as it opens; the sheet's writes are what come after.
    void Open() {
        ASSERT_TRUE(OpenEditor());
        m_before = OptionValues();
    }
    std::set<std::string> NewOptionValues() const {
        std::set<std::string> added;
        for (const std::string& name : OptionValues()) {
            if (!m_before.count(name)) added.insert(name);
        }
        return added;
    }
    // Runs the sheet as the View menu does; script acts on it and ends it.
    void RunOptions(std::function<void(HWND sheet)> script) {
        g_sheetScript = std::move(script);
        SendMessageW(Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_OPTION, 0), 0);
    }
    std::set<std::string> OptionValues() const {
        std::set<std::string> names;
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, ToWide(m_app->Store().KeyPath("Option")).c_str(), 0,
                          KEY_READ, &key) != ERROR_SUCCESS) {
            return names;
        }
        CUniqueKey owner(key);
        for (DWORD i = 0;; ++i) {
            wchar_t name[256];
            DWORD length = 256;
            if (RegEnumValueW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS) {
                break;
            }
            names.insert(UiFromWide(name));
        }
        return names;
    }
    std::set<std::string> m_before;
};

}  // namespace

// Run also under code page 1252 (tests/editor/CMakeLists.txt): the sheet's caption and the
// pages' tabs read as their resources do.
TEST_F(OptionsTest, OnAnyCodePageTheSheetsCaptionAndTabsReadRight) {
    Open();
    std::wstring caption;
    std::vector<std::wstring> tabs;
    RunOptions([&](HWND sheet) {
        wchar_t text[128] = L"";
        GetWindowTextW(sheet, text, 128);
        caption = text;
        HWND tab = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0));
        const int count = static_cast<int>(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = 128;
            text[0] = 0;
            SendMessageW(tab, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
            tabs.push_back(text);
        }
        Press(sheet, PSBTN_CANCEL);
    });
    EXPECT_EQ(UiText(LoadResourceString(IDS_OPTION_CAPTION)), caption);
    // The pages' own captions: IDD_OPTION_CHANGER, _ENDFILE, _INFO and _IMAGE.
    ASSERT_EQ(4u, tabs.size());
    for (const std::wstring& tab : tabs) {
        EXPECT_FALSE(tab.empty());
        EXPECT_EQ(std::wstring::npos, tab.find(L'?')) << UiFromWide(tab);
        EXPECT_GE(tab[0], 0x3000) << UiFromWide(tab);  // each begins with a Japanese character
    }
}

TEST_F(OptionsTest, BadIntervalsShowTheFrameworksMessagesAndKeepTheSheetOnTheChangePage) {
    Open();
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {{"", kPositive},    {"0", kRange},     {"10000", kRange},
                          {"abc", kPositive}, {"-5", kPositive}, {"99999999999", kPositive}};
    for (const Case& c : cases) {
        m_messages.clear();
        bool stayed = false, focused = false, open = false;
        RunOptions([&](HWND sheet) {
            HWND page = CurrentPage(sheet);
            SetDlgItemTextUi(page, IDC_OPT_INTERVAL, c.text);
            Press(sheet, PSBTN_OK);
            open = IsWindow(sheet) && IsWindowVisible(sheet);
            stayed = CurrentPage(sheet) == page;
            focused = GetFocus() == GetDlgItem(page, IDC_OPT_INTERVAL);
            // Moving to another page is refused as well.
            SendMessageW(sheet, PSM_SETCURSEL, 3, 0);
            stayed = stayed && CurrentPage(sheet) == page;
            Press(sheet, PSBTN_CANCEL);
        });
        EXPECT_TRUE(open) << c.text;
        EXPECT_TRUE(stayed) << c.text;
        EXPECT_TRUE(focused) << c.text;
        EXPECT_EQ(m_messages, std::vector<std::string>(2, c.message)) << c.text;
    }
    EXPECT_TRUE(NewOptionValues().empty());

    // 9999 is the last value taken.
    RunOptions([&](HWND sheet) {
        SetDlgItemTextUi(CurrentPage(sheet), IDC_OPT_INTERVAL, " 9999 ");
        Press(sheet, PSBTN_OK);
    });
    EXPECT_EQ(Settings().GetInt(setting::ChangerType), 9999);
}

TEST_F(OptionsTest, OkAtOnceWritesOnlyTheChangePagesThreeValues) {
    Open();
    Settings().WriteInt(setting::ModType, 0);
    bool applyDisabled = false;
    int radio = -1;
    RunOptions([&](HWND sheet) {
        applyDisabled = !IsWindowEnabled(GetDlgItem(sheet, 0x3021));  // the Apply button
        HWND page = CurrentPage(sheet);
        radio = IsDlgButtonChecked(page, IDC_OPT_ORDER_AUTO) == BST_CHECKED ? 0 : 1;
        Press(sheet, PSBTN_OK);
    });
    EXPECT_TRUE(applyDisabled);
    EXPECT_EQ(radio, 0);
    EXPECT_EQ(NewOptionValues(), (std::set<std::string>{"FileType", "ModType", "ChangerType"}));
    EXPECT_EQ(Settings().GetString(setting::FileType), "BMP JPG HTML");
    EXPECT_EQ(Settings().GetInt(setting::ModType), 0);
    EXPECT_EQ(Settings().GetInt(setting::ChangerType), 600);

    // Typed values are stored as typed.
    RunOptions([&](HWND sheet) {
        HWND page = CurrentPage(sheet);
        SetDlgItemTextUi(page, IDC_OPT_FILE_TYPE, "jpg  gif");
        CheckRadioButton(page, IDC_OPT_ORDER_AUTO, IDC_OPT_ORDER_RANDOM, IDC_OPT_ORDER_RANDOM);
        SetDlgItemTextUi(page, IDC_OPT_INTERVAL, "30");
        Press(sheet, PSBTN_OK);
    });
    EXPECT_EQ(Settings().GetString(setting::FileType), "jpg  gif");
    EXPECT_EQ(Settings().GetInt(setting::ModType), 1);
    EXPECT_EQ(Settings().GetInt(setting::ChangerType), 30);
}

TEST_F(OptionsTest, TheEndFilePageKeepsAnUnsavedTickWhenAFileIsPicked) {
    Open();
    TestCommonDialogHooks().openFile = [](std::string& path) {
        EXPECT_TRUE(path.empty());
        path = "C:\\壁紙\\終了.bmp";
        return true;
    };
    RunOptions([&](HWND sheet) {
        SendMessageW(sheet, PSM_SETCURSEL, 1, 0);
        HWND page = CurrentPage(sheet);
        CheckDlgButton(page, IDC_OPT_END_ENABLED, BST_CHECKED);
        ClickButton(page, IDC_OPT_END_FILE_BROWSE);
        Press(sheet, PSBTN_OK);
    });
    EXPECT_EQ(Settings().GetString(setting::EndFileName), "C:\\壁紙\\終了.bmp");
    EXPECT_EQ(Settings().GetInt(setting::EndFileSetCheck), 1);
}

TEST_F(OptionsTest, CancelAfterChoosingColoursAndAFontWritesNothing) {
    Open();
    std::vector<COLORREF> offered;
    TestCommonDialogHooks().color = [&](COLORREF& colour) {
        offered.push_back(colour);
        colour = RGB(10, 20, 30);
        return true;
    };
    TestCommonDialogHooks().font = [](LOGFONTW& font) {
        lstrcpyW(font.lfFaceName, L"IPAGothic");
        font.lfHeight = -30;
        return true;
    };
    COLORREF sampleBack = 0, sampleText = 0;
    std::string face;
    RunOptions([&](HWND sheet) {
        SendMessageW(sheet, PSM_SETCURSEL, 2, 0);
        HWND page = CurrentPage(sheet);
        ClickButton(page, IDC_OPT_BACK_COLOR);
        ClickButton(page, IDC_OPT_TEXT_COLOR);
        ClickButton(page, IDC_OPT_FONT);
        HWND sample = GetWindow(GetDlgItem(page, IDC_OPT_INFO_FRAME), GW_CHILD);
        if (auto* view = dynamic_cast<CFileInfomationView*>(CWnd::FromHandle(sample))) {
            sampleBack = view->m_crBack;
            sampleText = view->m_crText;
            face = UiFromWide(view->m_lf.lfFaceName);
        }
        Press(sheet, PSBTN_CANCEL);
    });
    EXPECT_EQ(offered, (std::vector<COLORREF>{RGB(0, 0, 0), RGB(0, 0, 0)}));
    EXPECT_EQ(sampleBack, RGB(10, 20, 30));
    EXPECT_EQ(sampleText, RGB(10, 20, 30));
    EXPECT_EQ(face, "IPAGothic");
    EXPECT_TRUE(NewOptionValues().empty());
}

TEST_F(OptionsTest, TheFitQuietAndTrayChoicesAreOfferedAndStoredOnlyWhenChanged) {
    Open();
    std::vector<std::string> fits;
    int shownFit = -1;
    bool trayBox = true, perMonitorBox = true;
    RunOptions([&](HWND sheet) {
        HWND page = CurrentPage(sheet);
        perMonitorBox = IsDlgButtonChecked(page, IDC_OPT_PER_MONITOR) == BST_CHECKED;
        HWND combo = GetDlgItem(page, IDC_OPT_FIT);
        for (int i = 0; i < SendMessageW(combo, CB_GETCOUNT, 0, 0); ++i) {
            fits.push_back(ComboItemTextUi(combo, i));
        }
        shownFit = static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
        SendMessageW(sheet, PSM_SETCURSEL, 2, 0);
        trayBox = IsDlgButtonChecked(CurrentPage(sheet), IDC_OPT_TRAY_ICON) == BST_CHECKED;
        Press(sheet, PSBTN_OK);
    });
    EXPECT_EQ(fits, (std::vector<std::string>{"変更しない", "中央に表示", "並べて表示",
                                              "拡大して表示", "画面に合わせる", "画面全体に表示"}));
    EXPECT_EQ(shownFit, 0);
    EXPECT_FALSE(trayBox);
    EXPECT_FALSE(perMonitorBox);
    // Left at their defaults, the new choices add nothing to the stored options.
    for (const char* name :
         {"FitType", "CheckFullScreenQuiet", "CheckTrayIcon", "CheckPerMonitor"}) {
        EXPECT_FALSE(OptionValues().count(name)) << name;
    }

    RunOptions([&](HWND sheet) {
        HWND page = CurrentPage(sheet);
        SendMessageW(GetDlgItem(page, IDC_OPT_FIT), CB_SETCURSEL, 4, 0);
        CheckDlgButton(page, IDC_OPT_FULLSCREEN_QUIET, BST_CHECKED);
        CheckDlgButton(page, IDC_OPT_PER_MONITOR, BST_CHECKED);
        SendMessageW(sheet, PSM_SETCURSEL, 2, 0);
        CheckDlgButton(CurrentPage(sheet), IDC_OPT_TRAY_ICON, BST_CHECKED);
        Press(sheet, PSBTN_OK);
    });
    EXPECT_EQ(Settings().GetInt(setting::FitType), 4);
    EXPECT_EQ(Settings().GetInt(setting::CheckFullScreenQuiet), 1);
    EXPECT_EQ(Settings().GetInt(setting::CheckTrayIcon), 1);
    EXPECT_EQ(Settings().GetInt(setting::CheckPerMonitor), 1);

    RunOptions([&](HWND sheet) {
        shownFit = static_cast<int>(
            SendMessageW(GetDlgItem(CurrentPage(sheet), IDC_OPT_FIT), CB_GETCURSEL, 0, 0));
        Press(sheet, PSBTN_CANCEL);
    });
    EXPECT_EQ(shownFit, 4);
}

TEST_F(OptionsTest, TheInformationPageLoadsItsSampleRepaintsItOnEachBoxAndSavesWhatItShows) {
    Open();
    Settings().WriteInt(setting::FileInfoBackColor, static_cast<int>(RGB(0, 0, 128)));
    Settings().WriteInt(setting::FileInfoFontColor, static_cast<int>(RGB(255, 255, 0)));
    Settings().WriteInt(setting::CheckDispComment, 0);
    // 32 bytes of face name: cut to 30, not to 31 with half a double-byte character.
    Settings().WriteString(setting::lfFaceName, std::string(30, 'A') + "表示");
    Settings().WriteInt(setting::lfHeight, -16);
    TestCommonDialogHooks().color = [](COLORREF& colour) {
        colour = RGB(0, 128, 0);
        return true;
    };
    bool sampleMade = false, commentBox = true, changed = false, nameHidden = false;
    std::string sampleTitle, face;
    RunOptions([&](HWND sheet) {
        SendMessageW(sheet, PSM_SETCURSEL, 2, 0);
        HWND page = CurrentPage(sheet);
        HWND frame = GetDlgItem(page, IDC_OPT_INFO_FRAME);
        HWND sample = GetWindow(frame, GW_CHILD);
        sampleMade = sample != nullptr;
        if (!sample) {
            Press(sheet, PSBTN_CANCEL);
            return;
        }
        sampleTitle = GetWindowTextUi(sample);
        auto* view = dynamic_cast<CFileInfomationView*>(CWnd::FromHandle(sample));
        face = view ? UiFromWide(view->m_lf.lfFaceName) : "";
        commentBox = IsDlgButtonChecked(page, IDC_OPT_SHOW_COMMENT) == BST_CHECKED;
        UpdateWindow(sample);
        Pixels before = Screen(sample);
        CheckDlgButton(page, IDC_OPT_SHOW_NAME, BST_UNCHECKED);
        ClickButton(page, IDC_OPT_SHOW_NAME);
        // The sample shows the change at once, with no paint message still to come.
        RECT pending{};
        Pixels after = Screen(sample);
        changed = before.bits != after.bits && !GetUpdateRect(sample, &pending, FALSE);
        nameHidden = view && view->GetDisplayText().find("ファイル名") == std::string::npos;
        ClickButton(page, IDC_OPT_BACK_COLOR);
        Press(sheet, PSBTN_OK);
    });
    ASSERT_TRUE(sampleMade);
    EXPECT_EQ(sampleTitle, "FileInfomationView");
    EXPECT_EQ(face, std::string(30, 'A'));
    EXPECT_FALSE(commentBox);
    EXPECT_TRUE(changed);
    EXPECT_TRUE(nameHidden);
    EXPECT_EQ(Settings().GetInt(setting::CheckDispFileName), 0);
    EXPECT_EQ(Settings().GetInt(setting::CheckDispComment), 0);
    EXPECT_EQ(Settings().GetInt(setting::CheckDispFindAttr), 1);
    EXPECT_EQ(Settings().GetInt(setting::CheckDispFileInfo), 1);
    EXPECT_EQ(Settings().GetInt(setting::FileInfoBackColor), static_cast<int>(RGB(0, 128, 0)));
    EXPECT_EQ(Settings().GetInt(setting::FileInfoFontColor), static_cast<int>(RGB(255, 255, 0)));
    EXPECT_EQ(Settings().GetInt(setting::lfHeight), -16);
    EXPECT_EQ(m_app->Store().GetString("Option", "lfFaceName", ""), std::string(30, 'A'));
    // Fields never stored took the page's own font; they are all written now.
    std::set<std::string> values = OptionValues();
    for (const char* name : {"lfWeight", "lfCharSet", "lfPitchAndFamily", "lfQuality"}) {
        EXPECT_TRUE(values.count(name)) << name;
    }
}

TEST_F(OptionsTest, ImagePageFieldsWithLettersFailWhileTypingAndOnOkAndTheRestReachThePreview) {
    Open();
    unsigned previewBorder = 0, previewWidth = 0, previewHeight = 0;
    bool stayed = false;
    std::size_t messagesWhileTyping = 0;
    std::string previewTitle;
    RunOptions([&](HWND sheet) {
        SendMessageW(sheet, PSM_SETCURSEL, 3, 0);
        HWND page = CurrentPage(sheet);
        HWND preview = GetWindow(GetDlgItem(page, IDC_OPT_PREVIEW_FRAME), GW_CHILD);
        if (preview) previewTitle = GetWindowTextUi(preview);
        // SetDlgItemText sends the edit's change notification as typing does.
        SetDlgItemTextUi(page, IDC_OPT_BORDER, "3");
        SetDlgItemTextUi(page, IDC_OPT_HEIGHT, "12a");
        messagesWhileTyping = m_messages.size();
        auto* view = dynamic_cast<CImageLayoutPreview*>(CWnd::FromHandle(preview));
        if (view) {
            previewBorder = view->m_nBorder;
            previewWidth = view->m_nWidth;
            previewHeight = view->m_nHeight;
        }
        Press(sheet, PSBTN_OK);
        stayed = CurrentPage(sheet) == page;
        SetDlgItemTextUi(page, IDC_OPT_HEIGHT, "90");
        SetDlgItemTextUi(page, IDC_OPT_WIDTH, "64");
        Press(sheet, PSBTN_OK);
    });
    EXPECT_EQ(previewTitle, "ImagePreViewiRect");
    EXPECT_EQ(messagesWhileTyping, 1u);
    ASSERT_EQ(m_messages.size(), 2u);
    EXPECT_EQ(m_messages[0], kPositive);
    EXPECT_EQ(m_messages[1], kPositive);
    EXPECT_EQ(previewBorder, 3u);    // read before the bad field
    EXPECT_EQ(previewWidth, 120u);   // read before it too
    EXPECT_EQ(previewHeight, 160u);  // the bad field left its old value
    EXPECT_TRUE(stayed);
    EXPECT_EQ(Settings().GetInt(setting::ViewBordar), 3);
    EXPECT_EQ(Settings().GetInt(setting::ViewWhiDth), 64);
    EXPECT_EQ(Settings().GetInt(setting::ViewHeight), 90);
    EXPECT_EQ(Settings().GetInt(setting::ViewMarjinWidth), 10);
    EXPECT_EQ(Settings().GetInt(setting::ViewMarjinHeight), 10);
    // The change page was shown first and is saved as well.
    EXPECT_EQ(Settings().GetInt(setting::ChangerType), 600);
}

TEST_F(OptionsTest, ThePreviewWithBorderAndMarginsZeroDrawsTouchingCells) {
    CImageLayoutPreview preview;
    preview.m_nWidth = 30;
    preview.m_nHeight = 20;
    const DWORD window = Pixels::Rgb(GetSysColor(COLOR_WINDOW));
    const DWORD text = Pixels::Rgb(GetSysColor(COLOR_WINDOWTEXT));
    RECT client{0, 0, 90, 40};
    Pixels p = Capture([&](HDC dc) { preview.Paint(dc, client); }, 90, 40);
    // The frame around the client area.
    EXPECT_EQ(p.At(0, 0), text);
    EXPECT_EQ(p.At(89, 39), text);
    // Six cells of 30 × 20 side by side, each with its "CG" in the middle: ink near each
    // cell's centre and none on the lines where two cells meet.
    for (int cx = 0; cx < 3; ++cx) {
        for (int cy = 0; cy < 2; ++cy) {
            int ink = 0;
            for (int x = cx * 30 + 5; x < cx * 30 + 25; ++x) {
                for (int y = cy * 20 + 3; y < cy * 20 + 17; ++y) ink += p.At(x, y) == text;
            }
            EXPECT_GT(ink, 5) << cx << "," << cy;
        }
    }
    for (int y = 1; y < 39; ++y) {
        EXPECT_EQ(p.At(30, y), window) << y;
        EXPECT_EQ(p.At(59, y), window) << y;
    }

    // A border of 2 without margins: cells 32 wide (one border each side of 28 inside) at a
    // step of 34, so that a gap of two pixels lies between them.
    preview.m_nBorder = 2;
    p = Capture([&](HDC dc) { preview.Paint(dc, client); }, 90, 40);
    EXPECT_EQ(p.At(1, 5), text);
    EXPECT_EQ(p.At(2, 5), window);
    EXPECT_EQ(p.At(30, 5), text);
    EXPECT_EQ(p.At(31, 5), text);
    EXPECT_EQ(p.At(32, 5), window);
    EXPECT_EQ(p.At(33, 5), window);
    EXPECT_EQ(p.At(34, 5), text);

    // Every size 0 still paints and ends.
    CImageLayoutPreview empty;
    p = Capture([&](HDC dc) { empty.Paint(dc, client); }, 90, 40);
    EXPECT_EQ(p.At(45, 20), window);
}
