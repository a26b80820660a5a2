#include "app/framework/dialog_template.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <utility>

#include "platform/resources.h"

namespace framework {
namespace {

constexpr std::array<std::pair<ControlKind, std::string_view>, 8> kKindNames{{
    {ControlKind::DefPushButton, "defpushbutton"},
    {ControlKind::PushButton, "pushbutton"},
    {ControlKind::CheckBox, "checkbox"},
    {ControlKind::Label, "label"},
    {ControlKind::ComboBox, "combobox"},
    {ControlKind::ListBox, "listbox"},
    {ControlKind::Slider, "slider"},
    {ControlKind::Icon, "icon"},
}};

// Templates hold coordinates as 16-bit signed numbers; sizes and positions are never negative.
constexpr int kMaxCoordinate = 32767;
constexpr int kMaxId = 65535;

struct Token {
    std::string text;
    bool quoted = false;
};

// Splits one line into words and quoted strings; false on an unterminated string or a bad escape.
bool Tokenize(std::string_view line, std::vector<Token>& tokens) {
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
        } else if (c == '#') {
            break;
        } else if (c == '"') {
            Token token{{}, true};
            for (++i;; ++i) {
                if (i >= line.size()) return false;
                if (line[i] == '"') break;
                if (line[i] == '\\') {
                    if (++i >= line.size()) return false;
                    const char e = line[i];
                    if (e == 'n') token.text += '\n';
                    else if (e == '"' || e == '\\') token.text += e;
                    else return false;
                } else {
                    token.text += line[i];
                }
            }
            ++i;
            tokens.push_back(std::move(token));
        } else {
            const std::size_t end = std::min(line.find_first_of(" \t\r\"#", i), line.size());
            tokens.push_back({std::string(line.substr(i, end - i)), false});
            i = end;
        }
    }
    return true;
}

bool ParseInt(const Token& token, int low, int high, int& value) {
    if (token.quoted) return false;
    const char* first = token.text.data();
    const char* last = first + token.text.size();
    int parsed = 0;
    const auto [end, ec] = std::from_chars(first, last, parsed);
    if (ec != std::errc{} || end != last || parsed < low || parsed > high) return false;
    value = parsed;
    return true;
}

std::optional<ControlKind> KindByName(std::string_view name) {
    for (const auto& [kind, kindName] : kKindNames) {
        if (kindName == name) return kind;
    }
    return std::nullopt;
}

bool AllWords(const std::vector<Token>& tokens, std::size_t from, std::vector<std::string>& words) {
    for (std::size_t i = from; i < tokens.size(); ++i) {
        if (tokens[i].quoted) return false;
        words.push_back(tokens[i].text);
    }
    return true;
}

class Parser {
public:
    std::optional<DialogTemplate> Run(std::string_view text, std::string* error) {
        int lineNumber = 0;
        while (!text.empty()) {
            const std::size_t eol = text.find('\n');
            const std::string_view line = text.substr(0, eol);
            text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
            ++lineNumber;
            std::vector<Token> tokens;
            if (!Tokenize(line, tokens)) return Fail(error, lineNumber, "unterminated string or bad escape");
            if (tokens.empty()) continue;
            if (const char* what = Statement(tokens)) return Fail(error, lineNumber, what);
        }
        if (!sawDialog) return Fail(error, lineNumber, "no dialog statement");
        if (dialog.fontFace.empty()) return Fail(error, lineNumber, "no font statement");
        return std::move(dialog);
    }

private:
    std::optional<DialogTemplate> Fail(std::string* error, int line, std::string_view what) {
        if (error) *error = "line " + std::to_string(line) + ": " + std::string(what);
        return std::nullopt;
    }

    // Returns what is wrong with the statement, or nullptr.
    const char* Statement(const std::vector<Token>& t) {
        const std::string& keyword = t[0].text;
        if (t[0].quoted) return "a statement starts with a word";
        if (keyword == "dialog") return DialogStatement(t);
        if (!sawDialog) return "the dialog statement comes first";
        if (keyword == "font") return FontStatement(t);
        if (keyword == "style") return AllWords(t, 1, dialog.styles) ? nullptr : "styles are words";
        if (keyword == "item") return ItemStatement(t);
        if (const auto kind = KindByName(keyword)) return ControlStatement(*kind, t);
        return "unknown statement";
    }

    const char* DialogStatement(const std::vector<Token>& t) {
        if (sawDialog) return "a second dialog statement";
        if (t.size() != 5 || !ParseInt(t[1], 0, kMaxId, dialog.id) || !ParseInt(t[2], 1, kMaxCoordinate, dialog.width) ||
            !ParseInt(t[3], 1, kMaxCoordinate, dialog.height) || !t[4].quoted) {
            return "expected: dialog ID WIDTH HEIGHT \"TITLE\"";
        }
        dialog.title = t[4].text;
        sawDialog = true;
        return nullptr;
    }

    const char* FontStatement(const std::vector<Token>& t) {
        if (t.size() != 3 || !ParseInt(t[1], 1, 72, dialog.fontPoints) || !t[2].quoted || t[2].text.empty()) {
            return "expected: font POINTS \"FACE\"";
        }
        dialog.fontFace = t[2].text;
        return nullptr;
    }

    const char* ControlStatement(ControlKind kind, const std::vector<Token>& t) {
        ControlTemplate control;
        control.kind = kind;
        DialogRect& r = control.rect;
        if (t.size() < 7 || !ParseInt(t[1], IDC_STATIC, kMaxId, control.id) || !ParseInt(t[2], 0, kMaxCoordinate, r.x) ||
            !ParseInt(t[3], 0, kMaxCoordinate, r.y) || !ParseInt(t[4], 0, kMaxCoordinate, r.width) ||
            !ParseInt(t[5], 0, kMaxCoordinate, r.height) || !t[6].quoted) {
            return "expected: KIND ID X Y WIDTH HEIGHT \"CAPTION\" [STYLE...]";
        }
        if (control.id != IDC_STATIC && dialog.Find(control.id)) return "a control id is used twice";
        control.caption = t[6].text;
        if (!AllWords(t, 7, control.styles)) return "styles are words";
        dialog.controls.push_back(std::move(control));
        return nullptr;
    }

    const char* ItemStatement(const std::vector<Token>& t) {
        int id = 0;
        if (t.size() != 3 || !ParseInt(t[1], 0, kMaxId, id) || !t[2].quoted) return "expected: item ID \"TEXT\"";
        const auto it = std::find_if(dialog.controls.begin(), dialog.controls.end(),
                                     [id](const ControlTemplate& c) { return c.id == id; });
        if (it == dialog.controls.end() || it->kind != ControlKind::ComboBox) return "item of no drop-down list";
        it->items.push_back(t[2].text);
        return nullptr;
    }

    DialogTemplate dialog;
    bool sawDialog = false;
};

int MulDiv(int value, int numerator, int denominator) {
    const std::int64_t product = static_cast<std::int64_t>(value) * numerator;
    return static_cast<int>((product + denominator / 2) / denominator);
}

}  // namespace

std::string_view ControlKindName(ControlKind kind) {
    for (const auto& [k, name] : kKindNames) {
        if (k == kind) return name;
    }
    return {};
}

bool ControlTemplate::HasStyle(std::string_view style) const {
    return std::find(styles.begin(), styles.end(), style) != styles.end();
}

const ControlTemplate* DialogTemplate::Find(int controlId) const {
    for (const ControlTemplate& c : controls) {
        if (c.id == controlId) return &c;
    }
    return nullptr;
}

std::optional<DialogTemplate> ParseDialogTemplate(std::string_view text, std::string* error) {
    return Parser().Run(text, error);
}

std::optional<DialogTemplate> LoadDialogTemplate(int id, std::string* error) {
    const auto bytes = platform::FindResource(platform::ResourceType::kDIALOG, id);
    if (!bytes) {
        if (error) *error = "no dialog resource " + std::to_string(id);
        return std::nullopt;
    }
    auto dialog =
        ParseDialogTemplate(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), error);
    if (dialog && dialog->id != id) {
        if (error) *error = "dialog resource " + std::to_string(id) + " holds dialog " + std::to_string(dialog->id);
        return std::nullopt;
    }
    return dialog;
}

DialogRect DialogUnitsToPixels(const DialogRect& units, BaseUnits base) {
    return {MulDiv(units.x, base.x, 4), MulDiv(units.y, base.y, 8), MulDiv(units.width, base.x, 4),
            MulDiv(units.height, base.y, 8)};
}

}  // namespace framework
