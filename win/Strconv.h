// Conversions between the program's code page and UTF-16, in one place.
//
// Inside, every text is CP932 bytes whatever the system's code page: the program's literals,
// the collection's names and paths, the registry's values. The system is met only through the
// wide functions: windows are Unicode windows, and files are named by the wide form of their
// CP932 path. So each text becomes UTF-16 where it goes out to the system and CP932 where it
// comes back, and the program reads and finds its files the same on a Windows of any language.
// A name the system hands over that CP932 cannot hold exactly is never added under a look-alike.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The code page of every text the program keeps.
constexpr UINT kCodePage = 932;

// Bytes of codePage as UTF-16; bytes that are no character there come out as U+FFFD.
std::wstring ToWide(const std::string& text, UINT codePage = kCodePage);
// UTF-16 as bytes of codePage, with no best-fit look-alikes: false, and out untouched, when a
// character has no exact form in that code page.
bool ToMultiByte(const std::wstring& text, std::string& out, UINT codePage = kCodePage);
// The same for a text that is only shown: a character without a form becomes '?'.
std::string ToMultiByteLossy(const std::wstring& text, UINT codePage = kCodePage);

// A path the system gave, as the program keeps it: the path itself, or else its short (8.3)
// form when that one is held exactly. False when neither is.
bool PathToCp932(const std::wstring& path, std::string& out);
// A name found by FindFirstFileW/FindNextFileW: its own name, or else its short name.
bool FoundNameToCp932(const WIN32_FIND_DATAW& found, std::string& out);
// The temporary folder (with its closing backslash); empty when there is none or CP932 cannot
// name it.
std::string TempFolderPath();
// The program's own full path; empty when CP932 cannot name it.
std::string ModulePath();

// Names that were not added because CP932 cannot hold them. A collector gathers
// what NoteRefusedName reports on its thread while it lives (the innermost one, when nested);
// the caller shows them once at the end. Without a collector a refused name is only dropped.
class CRefusedNames {
  public:
    CRefusedNames();
    ~CRefusedNames();
    CRefusedNames(const CRefusedNames&) = delete;
    CRefusedNames& operator=(const CRefusedNames&) = delete;
    const std::vector<std::wstring>& Names() const { return m_names; }
    void Add(const std::wstring& name) { m_names.push_back(name); }

  private:
    std::vector<std::wstring> m_names;
    CRefusedNames* m_pOuter;
};
void NoteRefusedName(const std::wstring& name);
// The Japanese message listing refused names (the first few of them); empty for none.
std::wstring RefusedNamesMessage(const std::vector<std::wstring>& names);

// User-interface texts (CP932) shown through the wide functions.
std::wstring UiText(const std::string& cp932);
// A text the user typed or the system gave, as the program keeps its own texts; a character
// CP932 has no form for becomes '?'.
std::string UiFromWide(const std::wstring& text);
void SetWindowTextUi(HWND window, const std::string& cp932);
void SetDlgItemTextUi(HWND dialog, int id, const std::string& cp932);
// The window's text in CP932; false, and text as near as it can be, when a character has no
// form there.
bool GetWindowTextUi(HWND window, std::string& text);
std::string GetWindowTextUi(HWND window);
std::string GetDlgItemTextUi(HWND dialog, int id);
// A message whose lParam is a text (CB_ADDSTRING, LB_ADDSTRING, CB_SELECTSTRING, ...).
LRESULT SendTextMessageUi(HWND window, UINT msg, WPARAM wParam, const std::string& cp932);
// An item of a combo box or a list box (CB_GETLBTEXT, LB_GETTEXT); empty when there is none.
std::string ComboItemTextUi(HWND combo, int index);
std::string ListBoxItemTextUi(HWND list, int index);
int MessageBoxUi(HWND owner, const std::string& text, const std::string& caption, UINT type);
int MessageBoxUi(HWND owner, const std::wstring& text, const std::string& caption, UINT type);
int DrawTextUi(HDC dc, const std::string& cp932, RECT* rect, UINT format);
