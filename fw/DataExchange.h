// Data exchange between a dialog's controls and its members. Loading fills the controls;
// saving reads and checks them, and at the first bad field focuses it, shows the framework's
// message and returns false, so that the dialog stays open.
#pragma once

#include <windows.h>

#include <string>

class CDialog;

class CDataExchange {
  public:
    CDataExchange(CDialog* dialog, bool saveAndValidate)
        : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}

    // The control id; it becomes the one a later failure focuses.
    HWND PrepareCtrl(int id);
    // Focuses the last prepared control, shows text and returns false.
    bool Fail(const std::string& text);

    CDialog* m_pDlgWnd;
    bool m_bSaveAndValidate;

  private:
    HWND m_hLastControl = nullptr;
};

bool DDX_Text(CDataExchange& dx, int id, std::string& value);
// Signed: "整数を入力してください。" for text that is no integer.
bool DDX_Text(CDataExchange& dx, int id, int& value);
// Unsigned: "正の整数を入力してください。" for text that is no positive integer.
bool DDX_Text(CDataExchange& dx, int id, unsigned& value);
bool DDX_Check(CDataExchange& dx, int id, int& value);
// "%1 から %2 までの整数を入力してください。" when value lies outside [min, max].
bool DDV_MinMaxInt(CDataExchange& dx, int value, int min, int max);
