#pragma once
// The configuration dialog: the play list put together from the 40 programmes, the
// full-screen resolution, sound, volume and smoke amount. The controller decides; this class
// shows its state in the controls and passes the user's actions to it.

#include <functional>
#include <string_view>

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
    explicit CConfigDlg(Settings& settings);

    const ConfigDialogController& Controller() const { return controller; }

    // Stores the settings on an accepted OK, once they hold the dialog's choices; false when
    // they could not be stored. The dialog then says so and stays open, the settings as they
    // were, so that the user can try again or cancel. Without it OK only fills the settings.
    void SetSaver(std::function<bool()> save) { saver = std::move(save); }
    // Whether the last save failed (and the user has not saved since).
    bool SaveFailed() const { return saveFailed; }

protected:
    void OnInitDialog() override;
    void OnOK() override;
    void OnCommand(int id, framework::Notification code) override;

private:
    void ShowList(int id, ListId list);
    void ShowState();

    Settings& settings;
    ConfigDialogController controller;
    std::function<bool()> saver;
    bool saveFailed = false;
};

inline constexpr std::string_view kSettingsNotSavedMessage = "設定を保存できませんでした";

// The configuration mode: runs `dialog` (made over `app.settings`), whose OK saves the
// settings; a failed save is reported in a message box while the dialog stays open. Returns
// the dialog's end code, -1 when it could not be shown.
int RunConfiguration(CSaverApp& app, CConfigDlg& dialog);
// The same with the configuration dialog itself; returns the program's exit status: 0, or 1
// when the dialog could not be shown or the user gave up after a failed save.
int RunConfigDialog(CSaverApp& app);
