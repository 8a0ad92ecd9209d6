#include "fw/DataExchange.h"

#include <climits>

#include "fw/Dialog.h"
#include "fw/NumberText.h"
#include "fw/WinApp.h"
#include "win/Strconv.h"

namespace {
const char kParseInt[] = "整数を入力してください。";
const char kParseUnsigned[] = "正の整数を入力してください。";
const char kIntRange[] = "%1 から %2 までの整数を入力してください。";

const char kNotCp932[] = "この欄には、シフト JIS で表せない文字は使えません。";

std::string ControlText(HWND control) {
    return GetWindowTextUi(control);
}
}  // namespace

HWND CDataExchange::PrepareCtrl(int id) {
    m_hLastControl = m_pDlgWnd->GetDlgItem(id);
    return m_hLastControl;
}

bool CDataExchange::Fail(const std::string& text) {
    if (m_hLastControl) {
        SetFocus(m_hLastControl);
        wchar_t className[16] = L"";
        GetClassNameW(m_hLastControl, className, 16);
        if (lstrcmpiW(className, L"Edit") == 0) SendMessageW(m_hLastControl, EM_SETSEL, 0, -1);
    }
    CWinApp::Get()->DoMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
    return false;
}

bool DDX_Text(CDataExchange& dx, int id, std::string& value) {
    HWND control = dx.PrepareCtrl(id);
    if (dx.m_bSaveAndValidate) {
        // A character the program's texts cannot hold would come back as a look-alike.
        std::string text;
        if (!GetWindowTextUi(control, text)) return dx.Fail(kNotCp932);
        value = text;
    } else {
        SetWindowTextUi(control, value);
    }
    return true;
}

namespace {
// A number field: shown as decimal; read back within [low, high], or refused with `message`.
template <typename Number>
bool NumberField(CDataExchange& dx, int id, Number& value, bool isSigned, long long low,
                 long long high, const char* message) {
    HWND control = dx.PrepareCtrl(id);
    if (!dx.m_bSaveAndValidate) {
        SetWindowTextUi(control, std::to_string(value));
        return true;
    }
    long long number = 0;
    if (!ParseFieldInteger(ControlText(control), isSigned, low, high, number)) {
        return dx.Fail(message);
    }
    value = static_cast<Number>(number);
    return true;
}
}  // namespace

bool DDX_Text(CDataExchange& dx, int id, int& value) {
    return NumberField(dx, id, value, true, INT_MIN, INT_MAX, kParseInt);
}

bool DDX_Text(CDataExchange& dx, int id, unsigned& value) {
    return NumberField(dx, id, value, false, 0, UINT_MAX, kParseUnsigned);
}

bool DDX_Check(CDataExchange& dx, int id, int& value) {
    HWND control = dx.PrepareCtrl(id);
    if (dx.m_bSaveAndValidate) {
        value = static_cast<int>(SendMessageW(control, BM_GETCHECK, 0, 0));
    } else {
        SendMessageW(control, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    return true;
}

bool DDV_MinMaxInt(CDataExchange& dx, int value, int min, int max) {
    if (!dx.m_bSaveAndValidate || (value >= min && value <= max)) return true;
    return dx.Fail(FormatMessage2(kIntRange, std::to_string(min), std::to_string(max)));
}
