// The changer launch prompt: whether the next start of the program opens the changer window.
#pragma once

#include "fw/Dialog.h"

class CPelorandChangerStart : public CDialog {
public:
    explicit CPelorandChangerStart(HWND parent = nullptr);

    int m_nExecuteCheck = 0;  // the check box's state

protected:
    bool OnInitDialog() override;
    bool OnCommand(UINT id, UINT code) override;
};
