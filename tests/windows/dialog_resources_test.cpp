// Dialogs 130 and 100 as the program carries them: the compiled DIALOGEX templates hold, in
// tab order, exactly the controls of the template sources the dialogs are generated from,
// with their ids, rectangles, captions, window classes and styles.

#include "platform/win32/windows_api.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/framework/dialog_template.h"

namespace {

using framework::ControlKind;
using framework::ControlTemplate;

// Reads a DLGTEMPLATEEX in memory, field by field.
class TemplateReader {
public:
    explicit TemplateReader(const std::uint8_t* data, std::size_t size) : begin(data), at(data), end(data + size) {}

    template <typename T>
    T Read() {
        T value{};
        if (at + sizeof(T) <= end) std::memcpy(&value, at, sizeof(T));
        at += sizeof(T);
        return value;
    }

    // A string, an ordinal ("#N") or nothing ("").
    std::string ReadNameOrOrdinal() {
        const auto first = Read<std::uint16_t>();
        if (first == 0) return "";
        if (first == 0xFFFF) return "#" + std::to_string(Read<std::uint16_t>());
        std::wstring text(1, static_cast<wchar_t>(first));
        for (auto c = Read<std::uint16_t>(); c != 0 && at < end; c = Read<std::uint16_t>()) {
            text.push_back(static_cast<wchar_t>(c));
        }
        return Utf8(text);
    }

    std::string ReadString() {
        std::wstring text;
        for (auto c = Read<std::uint16_t>(); c != 0 && at < end; c = Read<std::uint16_t>()) {
            text.push_back(static_cast<wchar_t>(c));
        }
        return Utf8(text);
    }

    void AlignToDword() { at = begin + ((at - begin + 3) & ~std::ptrdiff_t{3}); }
    void Skip(std::size_t bytes) { at += bytes; }
    bool Overran() const { return at > end; }

private:
    static std::string Utf8(const std::wstring& text) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                             nullptr, nullptr);
        std::string out(static_cast<std::size_t>(size), '\0');
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
        return out;
    }

    const std::uint8_t* begin;
    const std::uint8_t* at;
    const std::uint8_t* end;
};

struct CompiledControl {
    std::uint32_t style = 0;
    int x = 0, y = 0, width = 0, height = 0;
    int id = 0;
    std::string windowClass;
    std::string caption;
};

struct CompiledDialog {
    std::uint32_t style = 0;
    int width = 0, height = 0;
    std::string title;
    int points = 0;
    std::string face;
    std::vector<CompiledControl> controls;
};

bool LoadCompiled(int id, CompiledDialog& dialog) {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));  // RT_DIALOG
    if (!found) return false;
    const auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, found)));
    TemplateReader in(data, SizeofResource(nullptr, found));
    if (in.Read<std::uint16_t>() != 1 || in.Read<std::uint16_t>() != 0xFFFF) return false;  // DIALOGEX
    in.Skip(8);                                                                               // help id, extended style
    dialog.style = in.Read<std::uint32_t>();
    const auto count = in.Read<std::uint16_t>();
    in.Skip(4);  // x, y
    dialog.width = in.Read<std::int16_t>();
    dialog.height = in.Read<std::int16_t>();
    in.ReadNameOrOrdinal();  // menu
    in.ReadNameOrOrdinal();  // class
    dialog.title = in.ReadString();
    if (dialog.style & DS_SETFONT) {
        dialog.points = in.Read<std::uint16_t>();
        in.Skip(4);  // weight, italic, character set
        dialog.face = in.ReadString();
    }
    for (int i = 0; i < count; ++i) {
        in.AlignToDword();
        CompiledControl control;
        in.Skip(8);  // help id, extended style
        control.style = in.Read<std::uint32_t>();
        control.x = in.Read<std::int16_t>();
        control.y = in.Read<std::int16_t>();
        control.width = in.Read<std::int16_t>();
        control.height = in.Read<std::int16_t>();
        control.id = in.Read<std::int32_t>();
        control.windowClass = in.ReadNameOrOrdinal();
        control.caption = in.ReadNameOrOrdinal();
        in.Skip(in.Read<std::uint16_t>());
        dialog.controls.push_back(control);
    }
    return !in.Overran();
}

// The window class each kind of control is made of, in capitals.
std::string ClassOf(ControlKind kind) {
    switch (kind) {
        case ControlKind::DefPushButton:
        case ControlKind::PushButton:
        case ControlKind::CheckBox: return "BUTTON";
        case ControlKind::Label:
        case ControlKind::Icon: return "STATIC";
        case ControlKind::ListBox: return "LISTBOX";
        case ControlKind::ComboBox: return "COMBOBOX";
        case ControlKind::Slider: return "MSCTLS_TRACKBAR32";
    }
    return "";
}

// A template names a system class by name or by its ordinal.
std::string ClassName(std::string name) {
    static const std::vector<std::pair<std::string, std::string>> ordinals{
        {"#128", "BUTTON"}, {"#129", "EDIT"}, {"#130", "STATIC"}, {"#131", "LISTBOX"}, {"#133", "COMBOBOX"}};
    for (const auto& [ordinal, system] : ordinals) {
        if (name == ordinal) return system;
    }
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

// The style bits a source style word stands for.
std::uint32_t StyleOf(const std::string& word) {
    static const std::vector<std::pair<std::string, std::uint32_t>> words{
        {"tabstop", WS_TABSTOP},        {"vscroll", WS_VSCROLL},     {"border", WS_BORDER},
        {"dropdownlist", CBS_DROPDOWNLIST}, {"auto", BS_AUTOCHECKBOX}, {"both", TBS_BOTH},
        {"noticks", TBS_NOTICKS},       {"multiplesel", LBS_MULTIPLESEL}, {"notify", LBS_NOTIFY},
        {"center", SS_CENTER},          {"modalframe", DS_MODALFRAME}, {"caption", WS_CAPTION},
        {"sysmenu", WS_SYSMENU}};
    for (const auto& [name, bits] : words) {
        if (name == word) return bits;
    }
    ADD_FAILURE() << "unknown style word " << word;
    return 0;
}

void ExpectSameDialog(int id) {
    SCOPED_TRACE("dialog " + std::to_string(id));
    const auto source = framework::LoadDialogTemplate(id);
    ASSERT_TRUE(source.has_value());
    CompiledDialog compiled;
    ASSERT_TRUE(LoadCompiled(id, compiled));
    EXPECT_EQ(compiled.title, source->title);
    EXPECT_EQ(compiled.face, source->fontFace);
    EXPECT_EQ(compiled.points, source->fontPoints);
    EXPECT_EQ(compiled.width, source->width);
    EXPECT_EQ(compiled.height, source->height);
    for (const std::string& word : source->styles) EXPECT_EQ(compiled.style & StyleOf(word), StyleOf(word)) << word;
    ASSERT_EQ(compiled.controls.size(), source->controls.size());
    for (std::size_t i = 0; i < compiled.controls.size(); ++i) {
        const CompiledControl& got = compiled.controls[i];
        const ControlTemplate& want = source->controls[i];
        SCOPED_TRACE("control " + std::to_string(i) + " (" + std::to_string(want.id) + ")");
        EXPECT_EQ(got.id, want.id);
        EXPECT_EQ(got.x, want.rect.x);
        EXPECT_EQ(got.y, want.rect.y);
        EXPECT_EQ(got.width, want.rect.width);
        EXPECT_EQ(got.height, want.rect.height);
        EXPECT_EQ(ClassName(got.windowClass), ClassOf(want.kind));
        // An icon's caption is its icon resource, by number.
        EXPECT_EQ(got.caption, want.kind == ControlKind::Icon ? "#" + want.caption : want.caption);
        EXPECT_EQ(got.style & (WS_CHILD | WS_VISIBLE), static_cast<std::uint32_t>(WS_CHILD | WS_VISIBLE));
        EXPECT_EQ((got.style & WS_TABSTOP) != 0, want.HasStyle("tabstop"));
        for (const std::string& word : want.styles) EXPECT_EQ(got.style & StyleOf(word), StyleOf(word)) << word;
        if (want.kind == ControlKind::DefPushButton) {
            EXPECT_EQ(got.style & 0xF, static_cast<std::uint32_t>(BS_DEFPUSHBUTTON));
        } else if (want.kind == ControlKind::PushButton) {
            EXPECT_EQ(got.style & 0xF, static_cast<std::uint32_t>(BS_PUSHBUTTON));
        } else if (want.kind == ControlKind::Icon) {
            EXPECT_EQ(got.style & SS_TYPEMASK, static_cast<std::uint32_t>(SS_ICON));
        }
    }
}

TEST(DialogResources, CompiledTemplatesHoldEveryControlOfTheirSources) {
    ExpectSameDialog(130);
    ExpectSameDialog(100);
}

TEST(DialogResources, JapaneseCaptionsComeThroughWhole) {
    CompiledDialog config;
    ASSERT_TRUE(LoadCompiled(130, config));
    EXPECT_EQ(config.title, "Vantaro 設定");
    ASSERT_GT(config.controls.size(), 13u);
    EXPECT_EQ(config.controls[1].caption, "キャンセル");
    EXPECT_EQ(config.controls[13].caption, "追加 →");
    CompiledDialog version;
    ASSERT_TRUE(LoadCompiled(100, version));
    EXPECT_EQ(version.face, "ＭＳ Ｐゴシック");
    EXPECT_EQ(version.controls[1].caption, "Vantaro ｽｸﾘｰﾝｾｰﾊﾞｰ\n  Version 1.0.1");
}

}  // namespace
