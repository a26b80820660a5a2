#include "app/config_dlg.h"

#include "app/version_dlg.h"
#include "platform/message_box.h"

using framework::IDOK;
using framework::Notification;

namespace {

// The saver's window class. While the dialog is open its window carries it too, so that a
// second start of the program finds the first and ends.
constexpr const char* kSaverWindowClass = "ssKZClass";

}  // namespace

CConfigDlg::CConfigDlg(Settings& editedSettings) : CDialog(kConfigDialogId), settings(editedSettings) {
    SetWindowClassName(kSaverWindowClass);
}

void CConfigDlg::OnInitDialog() {
    controller.Open(settings);
    SetCheck(IDC_SOUND, controller.SoundChecked());
    SetCurSel(IDC_RESOLUTION, controller.ResolutionIndex());
    SetRange(IDC_VOLUME, kVolumeRange.min, kVolumeRange.max);
    SetPos(IDC_VOLUME, controller.VolumePosition());
    SetRange(IDC_SMOKE, kSmokeRange.min, kSmokeRange.max);
    SetPos(IDC_SMOKE, controller.SmokePosition());
    ShowState();
    SetFocus(IDOK);
}

void CConfigDlg::ShowList(int id, ListId list) {
    const auto& items = controller.Items(list);
    std::vector<std::string> names;
    names.reserve(items.size());
    for (const ProgrammeItem& item : items) names.push_back(item.name);
    SetListItems(id, names);
    for (std::size_t i = 0; i < items.size(); ++i) SetSel(id, static_cast<int>(i), items[i].selected);
}

void CConfigDlg::ShowState() {
    ShowList(IDC_AVAILABLE_LIST, ListId::Available);
    ShowList(IDC_PLAY_LIST, ListId::Play);
    EnableWindow(IDC_ADD, controller.AddEnabled());
    EnableWindow(IDC_REMOVE, controller.RemoveEnabled());
    EnableWindow(IDC_MOVE_UP, controller.MoveUpEnabled());
    EnableWindow(IDC_MOVE_DOWN, controller.MoveDownEnabled());
}

void CConfigDlg::OnCommand(int id, Notification code) {
    if (code == Notification::SelectionChanged) {
        const ListId list = id == IDC_PLAY_LIST ? ListId::Play : ListId::Available;
        controller.SelectionChanged(list, GetSelection(id));
    } else {
        switch (id) {
            case IDC_ADD: controller.Add(); break;
            case IDC_REMOVE: controller.Remove(); break;
            case IDC_MOVE_UP: controller.MoveUp(); break;
            case IDC_MOVE_DOWN: controller.MoveDown(); break;
            case IDC_AVAILABLE_SELECT_ALL: controller.SelectAll(ListId::Available); break;
            case IDC_AVAILABLE_DESELECT_ALL: controller.DeselectAll(ListId::Available); break;
            case IDC_PLAY_SELECT_ALL: controller.SelectAll(ListId::Play); break;
            case IDC_PLAY_DESELECT_ALL: controller.DeselectAll(ListId::Play); break;
            case IDC_ABOUT: {
                CVersionDlg about(this);
                about.DoModal();
                return;
            }
            default: return;  // the check box ticks itself
        }
    }
    ShowState();
}

void CConfigDlg::OnOK() {
    const ConfigDialogController::ControlValues values{GetCheck(IDC_SOUND), GetCurSel(IDC_RESOLUTION),
                                                       GetPos(IDC_VOLUME), GetPos(IDC_SMOKE)};
    const auto result = controller.Ok(values);
    if (result != ConfigDialogController::OkResult::Accepted) {
        platform::ShowMessage(ConfigDialogController::RefusalMessage(result));
        return;
    }
    const Settings before = settings;
    controller.ApplyTo(settings);
    if (saver && !saver()) {
        // The edits stay in the dialog; the settings say what the file still holds.
        settings = before;
        saveFailed = true;
        platform::ShowMessage(kSettingsNotSavedMessage);
        return;
    }
    saveFailed = false;
    EndDialog(IDOK);
}

int RunConfiguration(CSaverApp& app, CConfigDlg& dialog) {
    dialog.SetSaver([&app] { return app.SaveSettings(); });
    return dialog.DoModal();
}

int RunConfigDialog(CSaverApp& app) {
    CConfigDlg dialog(app.settings);
    const int result = RunConfiguration(app, dialog);
    return result < 0 || dialog.SaveFailed() ? 1 : 0;
}
