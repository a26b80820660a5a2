#pragma once
// Modal dialogs built from a dialog template resource: every control of the template is
// created at its position, converted from dialog units with the base units of the dialog's
// font, in tab order, with the drop-down entries the template lists. Subclasses react to
// initialisation, OK, Cancel and their controls' notifications, and reach the controls by id.
//
// Controls behave as the template's styles say: a "multiplesel" list box toggles one item
// per click (and per Space on the focused item) and, with "notify", reports the change; an
// "auto" check box ticks itself; sliders run over the range they are given. Enter presses
// the default button unless a push button has the focus; Escape and the close box cancel.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/framework/dialog_template.h"

namespace framework {

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

enum class Notification { Clicked, SelectionChanged };

class CDialog {
public:
    // `owner`, when given, is the dialog this one is shown over.
    explicit CDialog(int templateId, CDialog* owner = nullptr);
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Shows the dialog and runs until it ends. The end code (IDOK, IDCANCEL or the value given
    // to EndDialog), or -1 when the dialog cannot be shown: no display, or no usable template.
    int DoModal();

    // For tests and tools: the template (from OnInitDialog on), and where the client area and
    // each control stand on the screen, in pixels (once the dialog is on screen).
    const DialogTemplate* Template() const;
    std::optional<DialogRect> ClientRect() const;
    std::optional<DialogRect> ControlRect(int id) const;
    // The height of one list-box item in pixels.
    int ListItemHeight() const;

protected:
    // Called after the controls exist and before the dialog is shown.
    virtual void OnInitDialog() {}
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    virtual void OnCommand(int /*id*/, Notification /*code*/) {}
    // Called once the dialog is on screen and idle; tests drive the dialog from here.
    virtual void OnShown() {}

    void EndDialog(int result);

    void EnableWindow(int id, bool enable);
    bool IsWindowEnabled(int id) const;
    void SetFocus(int id);

    // Check box.
    bool GetCheck(int id) const;
    void SetCheck(int id, bool checked);

    // Drop-down list: the selected index, -1 for none.
    int GetCurSel(int id) const;
    void SetCurSel(int id, int index);

    // Slider.
    void SetRange(int id, int low, int high);
    void SetPos(int id, int position);
    int GetPos(int id) const;

    // List box: its items' texts (the list is rebuilt only when they differ from what it
    // shows, so that its scroll position stays) and their selection.
    void SetListItems(int id, const std::vector<std::string>& texts);
    void SetSel(int id, int index, bool selected);
    std::vector<bool> GetSelection(int id) const;

    // The class name the dialog's window carries on the display (its WM_CLASS); set before
    // DoModal. Without it the window carries the program's.
    void SetWindowClassName(std::string name);

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};

// Makes the dialog fonts' names resolve to the fonts installed for them. Runs once per
// process, before the first dialog or message box is shown; DoModal calls it.
void LoadDialogFonts();

// The base units of a font, measured at the display's resolution; nothing without a display.
std::optional<BaseUnits> MeasureBaseUnits(std::string_view face, int points);

// The family of the installed font that draws text asked for in `face`; empty without a
// display.
std::string ResolveFontFamily(std::string_view face, int points);

// How many characters of `text` the font cannot draw (shown as empty boxes); -1 without a
// display.
int CountMissingGlyphs(std::string_view face, int points, std::string_view text);

}  // namespace framework
