#include "win/Strconv.h"

#include <vector>

namespace {

// UTF-8 takes neither the best-fit flag nor the default-character check; it holds every
// character but lone surrogates.
bool IsUtf8(UINT codePage) {
    return codePage == CP_UTF8 || (codePage == CP_ACP && GetACP() == CP_UTF8);
}

// The text of an item of a list-like control, asked by its length message and its text message.
std::string ItemText(HWND control, UINT lengthMsg, UINT textMsg, int index) {
    const LRESULT length = SendMessageW(control, lengthMsg, static_cast<WPARAM>(index), 0);
    if (length < 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT got = SendMessageW(control, textMsg, static_cast<WPARAM>(index),
                                     reinterpret_cast<LPARAM>(&text[0]));
    if (got < 0) return {};
    text.resize(static_cast<std::size_t>(got) < text.size() ? static_cast<std::size_t>(got)
                                                           : text.size() - 1);
    return UiFromWide(text);
}

thread_local CRefusedNames* t_collector = nullptr;

}  // namespace

std::wstring ToWide(const std::string& text, UINT codePage) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    if (length <= 0) return {};
    std::wstring out(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, &out[0], length);
    return out;
}

bool ToMultiByte(const std::wstring& text, std::string& out, UINT codePage) {
    if (text.empty()) {
        out.clear();
        return true;
    }
    const int size = static_cast<int>(text.size());
    const bool utf8 = IsUtf8(codePage);
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultOut = utf8 ? nullptr : &usedDefault;
    int bytes = WideCharToMultiByte(codePage, flags, text.data(), size, nullptr, 0, nullptr,
                                    usedDefaultOut);
    if (bytes <= 0 || usedDefault) return false;
    std::string converted(static_cast<std::size_t>(bytes), '\0');
    bytes = WideCharToMultiByte(codePage, flags, text.data(), size, &converted[0], bytes, nullptr,
                                usedDefaultOut);
    if (bytes <= 0 || usedDefault) return false;
    converted.resize(static_cast<std::size_t>(bytes));
    out.swap(converted);
    return true;
}

std::string ToMultiByteLossy(const std::wstring& text, UINT codePage) {
    std::string out;
    if (ToMultiByte(text, out, codePage)) return out;
    const int size = static_cast<int>(text.size());
    const DWORD flags = IsUtf8(codePage) ? 0 : WC_NO_BEST_FIT_CHARS;
    int bytes = WideCharToMultiByte(codePage, flags, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    out.assign(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(codePage, flags, text.data(), size, &out[0], bytes, nullptr, nullptr);
    return out;
}

bool PathToCp932(const std::wstring& path, std::string& out) {
    if (ToMultiByte(path, out)) return true;
    DWORD length = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (length == 0) return false;
    std::wstring shortPath(length, L'\0');
    length = GetShortPathNameW(path.c_str(), &shortPath[0], length);
    if (length == 0 || length >= shortPath.size()) return false;
    shortPath.resize(length);
    return ToMultiByte(shortPath, out);
}

bool FoundNameToCp932(const WIN32_FIND_DATAW& found, std::string& out) {
    if (ToMultiByte(found.cFileName, out)) return true;
    // Empty when the volume keeps no short names.
    return found.cAlternateFileName[0] != L'\0' && ToMultiByte(found.cAlternateFileName, out);
}

std::string TempFolderPath() {
    wchar_t buffer[MAX_PATH + 2] = L"";
    DWORD length = GetTempPathW(MAX_PATH + 2, buffer);
    std::string out;
    if (length == 0 || length > MAX_PATH + 1) return out;
    if (!PathToCp932(std::wstring(buffer, length), out)) out.clear();
    return out;
}

std::string ModulePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) {
            std::string out;
            if (!PathToCp932(std::wstring(buffer.data(), length), out)) out.clear();
            return out;
        }
        if (buffer.size() >= 32768) return {};
        buffer.resize(buffer.size() * 2);
    }
}

CRefusedNames::CRefusedNames() : m_pOuter(t_collector) {
    t_collector = this;
}

CRefusedNames::~CRefusedNames() {
    t_collector = m_pOuter;
}

void NoteRefusedName(const std::wstring& name) {
    if (t_collector) t_collector->Add(name);
}

std::wstring RefusedNamesMessage(const std::vector<std::wstring>& names) {
    if (names.empty()) return {};
    constexpr std::size_t kListed = 10;
    std::wstring text = UiText("次の名前はシフト JIS で表せない文字を含むため、追加しませんでした。\n");
    for (std::size_t i = 0; i < names.size() && i < kListed; ++i) text += L"\n" + names[i];
    if (names.size() > kListed) {
        text += UiText("\nほか " + std::to_string(names.size() - kListed) + " 件");
    }
    return text;
}

std::wstring UiText(const std::string& cp932) {
    return ToWide(cp932, kCodePage);
}

std::string UiFromWide(const std::wstring& text) {
    return ToMultiByteLossy(text, kCodePage);
}

void SetWindowTextUi(HWND window, const std::string& cp932) {
    SetWindowTextW(window, UiText(cp932).c_str());
}

void SetDlgItemTextUi(HWND dialog, int id, const std::string& cp932) {
    if (HWND item = GetDlgItem(dialog, id)) SetWindowTextUi(item, cp932);
}

bool GetWindowTextUi(HWND window, std::string& text) {
    const int length = GetWindowTextLengthW(window);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int got = GetWindowTextW(window, &wide[0], length + 1);
    wide.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    if (ToMultiByte(wide, text)) return true;
    text = UiFromWide(wide);
    return false;
}

std::string GetWindowTextUi(HWND window) {
    std::string text;
    GetWindowTextUi(window, text);
    return text;
}

std::string GetDlgItemTextUi(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    return item ? GetWindowTextUi(item) : std::string();
}

LRESULT SendTextMessageUi(HWND window, UINT msg, WPARAM wParam, const std::string& cp932) {
    const std::wstring wide = UiText(cp932);
    return SendMessageW(window, msg, wParam, reinterpret_cast<LPARAM>(wide.c_str()));
}

std::string ComboItemTextUi(HWND combo, int index) {
    return ItemText(combo, CB_GETLBTEXTLEN, CB_GETLBTEXT, index);
}

std::string ListBoxItemTextUi(HWND list, int index) {
    return ItemText(list, LB_GETTEXTLEN, LB_GETTEXT, index);
}

int MessageBoxUi(HWND owner, const std::string& text, const std::string& caption, UINT type) {
    return MessageBoxW(owner, UiText(text).c_str(), UiText(caption).c_str(), type);
}

int MessageBoxUi(HWND owner, const std::wstring& text, const std::string& caption, UINT type) {
    return MessageBoxW(owner, text.c_str(), UiText(caption).c_str(), type);
}

int DrawTextUi(HDC dc, const std::string& cp932, RECT* rect, UINT format) {
    const std::wstring wide = UiText(cp932);
    return DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), rect, format);
}
