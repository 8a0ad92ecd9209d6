// Conversions between code pages and UTF-16, in one place.
//
// Two kinds of text meet the system here. Names of files and folders are kept in the ANSI code
// page, because the program hands them to the "A" functions; a name that code page cannot hold
// exactly is never added under a look-alike. The program's own user-interface texts are CP932
// bytes whatever the system's code page, and are shown through the wide functions.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The code page of the program's own texts (its literals and resources as it keeps them).
constexpr UINT kUiCodePage = 932;

// Bytes of codePage as UTF-16; bytes that are no character there come out as U+FFFD.
std::wstring ToWide(const std::string& text, UINT codePage = CP_ACP);
// UTF-16 as bytes of codePage, with no best-fit look-alikes: false, and out untouched, when a
// character has no exact form in that code page.
bool ToMultiByte(const std::wstring& text, std::string& out, UINT codePage = CP_ACP);
// The same for a text that is only shown: a character without a form becomes '?'.
std::string ToMultiByteLossy(const std::wstring& text, UINT codePage = CP_ACP);

// A path of the file system in the ANSI code page: the path itself, or else its short (8.3)
// form when that one is held exactly. False when neither is.
bool PathToAnsi(const std::wstring& path, std::string& out);
// A name found by FindFirstFileW/FindNextFileW: its own name, or else its short name.
bool FoundNameToAnsi(const WIN32_FIND_DATAW& found, std::string& out);
// The temporary folder (with its closing backslash) in the ANSI code page; empty when it has
// none or the code page cannot name it.
std::string TempFolderAnsi();
// The program's own full path in the ANSI code page; empty when the code page cannot name it.
std::string ModulePathAnsi();

// Names that were not added because the ANSI code page cannot hold them. A collector gathers
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

// User-interface texts (CP932) shown through the wide functions, so that they read the same on
// a system of any code page.
std::wstring UiText(const std::string& cp932);
// A text the user typed or the system gave, as the program keeps its own texts.
std::string UiFromWide(const std::wstring& text);
// The window's text. Also for a window with an ANSI procedure: the text is stored as UTF-16
// directly instead of going through the ANSI code page on its way in.
void SetWindowTextUi(HWND window, const std::string& cp932);
void SetDlgItemTextUi(HWND dialog, int id, const std::string& cp932);
int MessageBoxUi(HWND owner, const std::string& text, const std::string& caption, UINT type);
int MessageBoxUi(HWND owner, const std::wstring& text, const std::string& caption, UINT type);
int DrawTextUi(HDC dc, const std::string& cp932, RECT* rect, UINT format);
