#pragma once
// The version dialog: the program's icon, its name and version, and OK.

#include "app/framework/dialog.h"

inline constexpr int kVersionDialogId = 100;

class CVersionDlg : public framework::CDialog {
public:
    explicit CVersionDlg(framework::CDialog* owner = nullptr) : CDialog(kVersionDialogId, owner) {}

protected:
    void OnInitDialog() override { SetFocus(framework::IDOK); }
};
