// Modal dialogs on the Win32 API, from the DIALOG resources compiled into the program. The
// template's source (dialog_template.h), carried beside it, gives the drop-down entries and
// tells which controls report what.

#include "app/framework/dialog.h"

#include "app/framework/win32/win32_text.h"

#include <commctrl.h>

#include <algorithm>

namespace framework {
namespace {

// Posted to a dialog after its initialisation: handled once it is on screen and idle.
constexpr UINT kShownMessage = WM_APP + 1;

HWND Item(HWND dialog, int id) { return GetDlgItem(dialog, id); }

LRESULT SendItem(HWND dialog, int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendDlgItemMessageW(dialog, id, message, wParam, lParam);
}

std::wstring ListText(HWND dialog, int id, int index) {
    const auto length = SendItem(dialog, id, LB_GETTEXTLEN, static_cast<WPARAM>(index));
    if (length < 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendItem(dialog, id, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

DialogRect ScreenRect(const RECT& r) { return DialogRect{r.left, r.top, r.right - r.left, r.bottom - r.top}; }

// Over its owner when it has one, else in the middle of the screen (the work area of the
// primary monitor, or of the owner's); kept inside that work area.
void Centre(HWND dialog, HWND owner) {
    RECT box{};
    GetWindowRect(dialog, &box);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!GetMonitorInfoW(MonitorFromWindow(owner ? owner : dialog, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
    const RECT area = monitor.rcWork;
    RECT over = area;
    if (owner) GetWindowRect(owner, &over);
    const int width = box.right - box.left, height = box.bottom - box.top;
    const int x = std::clamp((over.left + over.right - width) / 2, area.left, std::max(area.left, area.right - width));
    const int y = std::clamp((over.top + over.bottom - height) / 2, area.top, std::max(area.top, area.bottom - height));
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

struct CDialog::Impl {
    int templateId;
    CDialog* owner;
    std::optional<DialogTemplate> layout;
    HWND window = nullptr;
    bool focusSet = false;

    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Initialise(CDialog& dialog, HWND hwnd);
    void Command(CDialog& dialog, int id, unsigned code);
};

CDialog::CDialog(int templateId, CDialog* owner) : impl(std::make_unique<Impl>(Impl{templateId, owner, {}})) {}

CDialog::~CDialog() = default;

int CDialog::DoModal() {
    impl->layout = LoadDialogTemplate(impl->templateId);
    if (!impl->layout) return -1;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    HWND ownerWindow = impl->owner ? impl->owner->impl->window : nullptr;
    const INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(impl->templateId), ownerWindow,
                                           Impl::Procedure, reinterpret_cast<LPARAM>(this));
    impl->window = nullptr;
    return static_cast<int>(result);
}

INT_PTR CDialog::Impl::Initialise(CDialog& dialog, HWND hwnd) {
    window = hwnd;
    for (const ControlTemplate& control : layout->controls) {
        for (const std::string& item : control.items) {
            const std::wstring text = WideFromUtf8(item);
            SendItem(hwnd, control.id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        }
    }
    focusSet = false;
    Centre(hwnd, owner ? owner->impl->window : nullptr);
    dialog.OnInitDialog();
    PostMessageW(hwnd, kShownMessage, 0, 0);
    // FALSE: the dialog put the focus where it wanted it.
    return focusSet ? FALSE : TRUE;
}

void CDialog::Impl::Command(CDialog& dialog, int id, unsigned code) {
    if (id == IDOK && code == BN_CLICKED) return dialog.OnOK();
    if (id == IDCANCEL && code == BN_CLICKED) return dialog.OnCancel();
    const ControlTemplate* control = layout ? layout->Find(id) : nullptr;
    if (!control) return;
    if (control->kind == ControlKind::ListBox) {
        if (code == LBN_SELCHANGE) dialog.OnCommand(id, Notification::SelectionChanged);
    } else if (code == BN_CLICKED && (control->kind == ControlKind::PushButton ||
                                      control->kind == ControlKind::DefPushButton ||
                                      control->kind == ControlKind::CheckBox)) {
        dialog.OnCommand(id, Notification::Clicked);
    }
}

INT_PTR CALLBACK CDialog::Impl::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        auto* dialog = reinterpret_cast<CDialog*>(lParam);
        return dialog->impl->Initialise(*dialog, window);
    }
    auto* dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!dialog) return FALSE;
    switch (message) {
        case WM_COMMAND: dialog->impl->Command(*dialog, LOWORD(wParam), HIWORD(wParam)); return TRUE;
        case kShownMessage: dialog->OnShown(); return TRUE;
        default: return FALSE;
    }
}

const DialogTemplate* CDialog::Template() const { return impl->layout ? &*impl->layout : nullptr; }

std::optional<DialogRect> CDialog::ClientRect() const {
    RECT client{};
    if (!impl->window || !GetClientRect(impl->window, &client)) return std::nullopt;
    MapWindowPoints(impl->window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    return ScreenRect(client);
}

std::optional<DialogRect> CDialog::ControlRect(int id) const {
    RECT r{};
    if (!impl->window || !GetWindowRect(Item(impl->window, id), &r)) return std::nullopt;
    return ScreenRect(r);
}

int CDialog::ListItemHeight() const {
    if (!impl->layout || !impl->window) return 0;
    for (const ControlTemplate& control : impl->layout->controls) {
        if (control.kind == ControlKind::ListBox) {
            return static_cast<int>(SendItem(impl->window, control.id, LB_GETITEMHEIGHT));
        }
    }
    return 0;
}

void CDialog::EndDialog(int result) {
    if (impl->window) ::EndDialog(impl->window, result);
}

void CDialog::EnableWindow(int id, bool enable) { ::EnableWindow(Item(impl->window, id), enable ? TRUE : FALSE); }

bool CDialog::IsWindowEnabled(int id) const { return ::IsWindowEnabled(Item(impl->window, id)) != FALSE; }

void CDialog::SetFocus(int id) {
    SendMessageW(impl->window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(impl->window, id)), TRUE);
    impl->focusSet = true;
}

bool CDialog::GetCheck(int id) const { return IsDlgButtonChecked(impl->window, id) == BST_CHECKED; }

void CDialog::SetCheck(int id, bool checked) { CheckDlgButton(impl->window, id, checked ? BST_CHECKED : BST_UNCHECKED); }

int CDialog::GetCurSel(int id) const { return static_cast<int>(SendItem(impl->window, id, CB_GETCURSEL)); }

void CDialog::SetCurSel(int id, int index) { SendItem(impl->window, id, CB_SETCURSEL, static_cast<WPARAM>(index)); }

void CDialog::SetRange(int id, int low, int high) {
    SendItem(impl->window, id, TBM_SETRANGEMIN, FALSE, low);
    SendItem(impl->window, id, TBM_SETRANGEMAX, TRUE, high);
}

void CDialog::SetPos(int id, int position) { SendItem(impl->window, id, TBM_SETPOS, TRUE, position); }

int CDialog::GetPos(int id) const { return static_cast<int>(SendItem(impl->window, id, TBM_GETPOS)); }

void CDialog::SetListItems(int id, const std::vector<std::string>& texts) {
    std::vector<std::wstring> wide;
    wide.reserve(texts.size());
    for (const std::string& text : texts) wide.push_back(WideFromUtf8(text));
    const auto count = static_cast<std::size_t>(SendItem(impl->window, id, LB_GETCOUNT));
    bool same = count == wide.size();
    for (std::size_t i = 0; same && i < count; ++i) same = ListText(impl->window, id, static_cast<int>(i)) == wide[i];
    if (same) return;
    // Rebuilt without flicker, scrolled back to where it was as far as the new items allow.
    const LRESULT top = SendItem(impl->window, id, LB_GETTOPINDEX);
    SendItem(impl->window, id, WM_SETREDRAW, FALSE);
    SendItem(impl->window, id, LB_RESETCONTENT);
    for (const std::wstring& text : wide) SendItem(impl->window, id, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendItem(impl->window, id, LB_SETTOPINDEX, static_cast<WPARAM>(top));
    SendItem(impl->window, id, WM_SETREDRAW, TRUE);
    InvalidateRect(Item(impl->window, id), nullptr, TRUE);
}

void CDialog::SetSel(int id, int index, bool selected) {
    SendItem(impl->window, id, LB_SETSEL, selected ? TRUE : FALSE, index);
}

std::vector<bool> CDialog::GetSelection(int id) const {
    const auto count = static_cast<int>(SendItem(impl->window, id, LB_GETCOUNT));
    std::vector<bool> selected(static_cast<std::size_t>(count > 0 ? count : 0));
    for (int i = 0; i < count; ++i) selected[static_cast<std::size_t>(i)] = SendItem(impl->window, id, LB_GETSEL, i) > 0;
    return selected;
}

// Dialogs keep the system's dialog class here; a second saver is kept out by the claim the
// application makes at start (system.h, ClaimSelection).
void CDialog::SetWindowClassName(std::string) {}

// The system's dialog fonts are installed with it.
void LoadDialogFonts() {}

}  // namespace framework
