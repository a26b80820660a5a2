#pragma once
// Dialog templates: the layout of a dialog (title, font, size, and each control's kind, id,
// caption, styles and rectangle in dialog units) as carried in a DIALOG resource, and the
// conversion of dialog units to pixels with the base units of the dialog's font.
//
// A template is a small text file, one statement per line, '#' starting a comment:
//   dialog  ID WIDTH HEIGHT "TITLE"
//   font    POINTS "FACE"
//   style   WORD...
//   KIND    ID X Y WIDTH HEIGHT "CAPTION" [STYLE...]
//   item    ID "TEXT"            an entry of the drop-down list ID, in order
// KIND is one of the names in ControlKindName. In quoted text, \" \\ and \n are escapes.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace framework {

inline constexpr int IDC_STATIC = -1;

enum class ControlKind { DefPushButton, PushButton, CheckBox, Label, ComboBox, ListBox, Slider, Icon };

std::string_view ControlKindName(ControlKind kind);

// A rectangle in dialog units, or in pixels once converted.
struct DialogRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool operator==(const DialogRect&) const = default;
};

struct ControlTemplate {
    ControlKind kind = ControlKind::Label;
    int id = IDC_STATIC;
    DialogRect rect;
    std::string caption;
    std::vector<std::string> styles;
    std::vector<std::string> items;  // drop-down entries

    bool HasStyle(std::string_view style) const;
};

struct DialogTemplate {
    int id = 0;
    int width = 0;
    int height = 0;
    std::string title;
    std::string fontFace;
    int fontPoints = 0;
    std::vector<std::string> styles;
    std::vector<ControlTemplate> controls;  // in tab order

    const ControlTemplate* Find(int controlId) const;
};

// Parses template text. On failure returns nothing and puts "line N: what" into `error`.
std::optional<DialogTemplate> ParseDialogTemplate(std::string_view text, std::string* error = nullptr);

// The template carried as DIALOG resource `id`; nothing when it is absent or malformed.
std::optional<DialogTemplate> LoadDialogTemplate(int id, std::string* error = nullptr);

// The font's base units in pixels: the average width of the 52 Latin letters, rounded, and
// the height of a line of text.
struct BaseUnits {
    int x = 0;
    int y = 0;
};

// Horizontal dialog units are a quarter of the base width, vertical ones an eighth of the
// base height; each value is scaled and rounded on its own, as the template's controls are.
DialogRect DialogUnitsToPixels(const DialogRect& units, BaseUnits base);

}  // namespace framework
