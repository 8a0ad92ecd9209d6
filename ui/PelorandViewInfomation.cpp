#include "ui/PelorandViewInfomation.h"

#include "fw/DataExchange.h"
#include "fw/WinApp.h"
#include "model/Settings.h"
#include "res/resource.h"
#include "ui/ContextHelp.h"

CPelorandViewInfomation::CPelorandViewInfomation(CSettings& settings)
    : CPropertyPage(IDD_OPTION_IMAGE), m_settings(settings) {}

bool CPelorandViewInfomation::OnInitDialog() {
    AddHelpButtonToSheet(GetSheet());
    AssignHelpIds(m_hWnd, m_nIDTemplate);
    CSettings& settings = m_settings;
    m_nBorder = static_cast<unsigned>(settings.GetInt(setting::ViewBordar));
    m_nWidth = static_cast<unsigned>(settings.GetInt(setting::ViewWhiDth));
    m_nHeight = static_cast<unsigned>(settings.GetInt(setting::ViewHeight));
    m_nMarginHeight = static_cast<unsigned>(settings.GetInt(setting::ViewMarjinHeight));
    m_nMarginWidth = static_cast<unsigned>(settings.GetInt(setting::ViewMarjinWidth));
    CopyToPreview();
    m_bLoading = true;
    UpdateData(false);
    m_bLoading = false;
    HWND frame = GetDlgItem(IDC_OPT_PREVIEW_FRAME);
    RECT client{};
    ::GetClientRect(frame, &client);
    m_wndPreview.Create(frame, client);
    return true;
}

bool CPelorandViewInfomation::DoDataExchange(CDataExchange& dx) {
    return DDX_Text(dx, IDC_OPT_BORDER, m_nBorder) && DDX_Text(dx, IDC_OPT_WIDTH, m_nWidth) &&
           DDX_Text(dx, IDC_OPT_HEIGHT, m_nHeight) &&
           DDX_Text(dx, IDC_OPT_MARGIN_HEIGHT, m_nMarginHeight) &&
           DDX_Text(dx, IDC_OPT_MARGIN_WIDTH, m_nMarginWidth);
}

void CPelorandViewInfomation::CopyToPreview() {
    m_wndPreview.m_nBorder = m_nBorder;
    m_wndPreview.m_nWidth = m_nWidth;
    m_wndPreview.m_nHeight = m_nHeight;
    m_wndPreview.m_nMarginHeight = m_nMarginHeight;
    m_wndPreview.m_nMarginWidth = m_nMarginWidth;
}

bool CPelorandViewInfomation::OnCommand(UINT id, UINT code) {
    if (code != EN_CHANGE) return false;
    switch (id) {
        case IDC_OPT_WIDTH:
        case IDC_OPT_HEIGHT:
        case IDC_OPT_MARGIN_WIDTH:
        case IDC_OPT_MARGIN_HEIGHT:
        case IDC_OPT_BORDER:
            if (m_bLoading) return true;
            // A bad field is reported at once; the fields read before it still show.
            UpdateData(true);
            CopyToPreview();
            if (m_wndPreview.m_hWnd) m_wndPreview.RedrawNow();
            return true;
    }
    return false;
}

bool CPelorandViewInfomation::OnApply() {
    if (!CPropertyPage::OnApply()) return false;
    CSettings& settings = m_settings;
    settings.WriteInt(setting::ViewBordar, static_cast<int>(m_nBorder));
    settings.WriteInt(setting::ViewWhiDth, static_cast<int>(m_nWidth));
    settings.WriteInt(setting::ViewHeight, static_cast<int>(m_nHeight));
    settings.WriteInt(setting::ViewMarjinHeight, static_cast<int>(m_nMarginHeight));
    settings.WriteInt(setting::ViewMarjinWidth, static_cast<int>(m_nMarginWidth));
    return true;
}

bool CPelorandViewInfomation::OnHelp(const HELPINFO& info) {
    return ShowContextHelp(info);
}
