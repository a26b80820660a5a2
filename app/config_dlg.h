#pragma once
// The configuration dialog: the play list put together from the 40 programmes, the
// full-screen resolution, sound, volume and smoke amount. The controller decides; this class
// shows its state in the controls and passes the user's actions to it.

#include "app/config_dialog_controller.h"
#include "app/framework/dialog.h"

inline constexpr int kConfigDialogId = 130;

// Control ids of the configuration dialog's template.
enum ConfigControlId : int {
    IDC_RESOLUTION = 1001,
    IDC_SOUND = 1002,
    IDC_ABOUT = 1003,
    IDC_VOLUME = 1004,
    IDC_AVAILABLE_LIST = 1005,
    IDC_PLAY_LIST = 1006,
    IDC_ADD = 1007,
    IDC_REMOVE = 1009,
    IDC_MOVE_UP = 1010,
    IDC_MOVE_DOWN = 1011,
    IDC_AVAILABLE_SELECT_ALL = 1012,
    IDC_AVAILABLE_DESELECT_ALL = 1013,
    IDC_PLAY_SELECT_ALL = 1014,
    IDC_PLAY_DESELECT_ALL = 1015,
    IDC_SMOKE = 1016,
};

class CConfigDlg : public framework::CDialog {
public:
    // `settings` is read when the dialog opens and written only when it ends with OK.
    explicit CConfigDlg(DialogSettings& settings);

    const ConfigDialogController& Controller() const { return controller; }

protected:
    void OnInitDialog() override;
    void OnOK() override;
    void OnCommand(int id, framework::Notification code) override;

private:
    void ShowList(int id, ListId list);
    void ShowState();

    DialogSettings& settings;
    ConfigDialogController controller;
};

// Runs the configuration dialog over `settings`: the end code of the dialog (framework::IDOK
// when the user confirmed and `settings` now hold the choices), or -1 when it could not be shown.
int RunConfigDialog(DialogSettings& settings);
