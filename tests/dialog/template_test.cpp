// Dialog templates: the ones the program carries, the parser's refusals, and the conversion
// from dialog units.

#include <gtest/gtest.h>

#include <string>

#include "app/config_dialog_controller.h"
#include "app/config_dlg.h"
#include "app/framework/dialog_template.h"
#include "app/version_dlg.h"
#include "platform/resources.h"

namespace {

using framework::ControlKind;
using framework::DialogRect;
using framework::ParseDialogTemplate;

// The controls the dialog code reaches by id must exist in the carried template, of the kind
// the code treats them as.
TEST(CarriedTemplates, HoldEveryControlTheDialogsUse) {
    const auto config = framework::LoadDialogTemplate(kConfigDialogId);
    ASSERT_TRUE(config);
    const std::pair<int, ControlKind> used[] = {
        {framework::IDOK, ControlKind::DefPushButton}, {framework::IDCANCEL, ControlKind::PushButton},
        {IDC_RESOLUTION, ControlKind::ComboBox},       {IDC_SOUND, ControlKind::CheckBox},
        {IDC_ABOUT, ControlKind::PushButton},          {IDC_VOLUME, ControlKind::Slider},
        {IDC_AVAILABLE_LIST, ControlKind::ListBox},    {IDC_PLAY_LIST, ControlKind::ListBox},
        {IDC_ADD, ControlKind::PushButton},            {IDC_REMOVE, ControlKind::PushButton},
        {IDC_MOVE_UP, ControlKind::PushButton},        {IDC_MOVE_DOWN, ControlKind::PushButton},
        {IDC_AVAILABLE_SELECT_ALL, ControlKind::PushButton}, {IDC_AVAILABLE_DESELECT_ALL, ControlKind::PushButton},
        {IDC_PLAY_SELECT_ALL, ControlKind::PushButton},      {IDC_PLAY_DESELECT_ALL, ControlKind::PushButton},
        {IDC_SMOKE, ControlKind::Slider},
    };
    for (const auto& [id, kind] : used) {
        const framework::ControlTemplate* control = config->Find(id);
        ASSERT_NE(control, nullptr) << id;
        EXPECT_EQ(control->kind, kind) << id;
    }
    for (int list : {IDC_AVAILABLE_LIST, IDC_PLAY_LIST}) {
        EXPECT_TRUE(config->Find(list)->HasStyle("multiplesel") && config->Find(list)->HasStyle("notify"));
    }
    EXPECT_EQ(config->controls.front().id, framework::IDOK) << "OK comes first in tab order";

    // The drop-down entries say the sizes that their indices store.
    const auto& items = config->Find(IDC_RESOLUTION)->items;
    ASSERT_EQ(items.size(), kResolutions.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i], std::to_string(kResolutions[i].width) + " x " + std::to_string(kResolutions[i].height));
    }

    const auto version = framework::LoadDialogTemplate(kVersionDialogId);
    ASSERT_TRUE(version);
    ASSERT_NE(version->Find(framework::IDOK), nullptr);
    EXPECT_EQ(version->controls[1].caption, "Vantaro ｽｸﾘｰﾝｾｰﾊﾞｰ\n  Version 1.0.1");
}

TEST(CarriedTemplates, MissingOrBrokenResourcesAreRefused) {
    platform::ScopedResourceOverride resources;
    resources.Hide(platform::ResourceType::kDIALOG, kConfigDialogId);
    std::string error;
    EXPECT_FALSE(framework::LoadDialogTemplate(kConfigDialogId, &error));
    EXPECT_NE(error.find("130"), std::string::npos);

    const std::string other = "dialog 100 10 10 \"x\"\nfont 8 \"f\"\n";
    resources.Replace(platform::ResourceType::kDIALOG, kConfigDialogId, {other.begin(), other.end()});
    EXPECT_FALSE(framework::LoadDialogTemplate(kConfigDialogId));

    resources.Replace(platform::ResourceType::kDIALOG, kConfigDialogId, {0xff, 0x00, 0x22, 0x0a, 0x80});
    EXPECT_FALSE(framework::LoadDialogTemplate(kConfigDialogId));
}

TEST(TemplateParser, ReadsQuotedTextStylesAndItems) {
    const auto t = ParseDialogTemplate(
        "# comment\n"
        "dialog 7 100 50 \"Title \\\"quoted\\\"\"   # trailing comment\n"
        "font 9 \"Face Name\"\r\n"
        "style modalframe caption\n"
        "label -1 1 2 3 4 \"two\\nlines\" center\n"
        "combobox 12 0 0 10 40 \"\" dropdownlist\n"
        "item 12 \"a # b\"\n");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->title, "Title \"quoted\"");
    EXPECT_EQ(t->fontFace, "Face Name");
    EXPECT_EQ(t->fontPoints, 9);
    EXPECT_EQ(t->styles, (std::vector<std::string>{"modalframe", "caption"}));
    ASSERT_EQ(t->controls.size(), 2u);
    EXPECT_EQ(t->controls[0].caption, "two\nlines");
    EXPECT_EQ(t->controls[0].rect, (DialogRect{1, 2, 3, 4}));
    EXPECT_TRUE(t->controls[0].HasStyle("center"));
    EXPECT_EQ(t->controls[1].items, std::vector<std::string>{"a # b"});
}

TEST(TemplateParser, RefusesMalformedTemplatesNamingTheLine) {
    const std::string head = "dialog 1 10 10 \"t\"\nfont 8 \"f\"\n";
    const std::pair<std::string, int> broken[] = {
        {"", 0},
        {"font 8 \"f\"\n", 1},
        {head + "pushbutton 5 1 2 3 \"x\"\n", 3},
        {head + "pushbutton 5 1 2 3 4 \"x\n", 3},
        {head + "pushbutton 5 1 2 3 4 \"bad \\q escape\"\n", 3},
        {head + "pushbutton 5 -1 2 3 4 \"x\"\n", 3},
        {head + "pushbutton 5 1 2 3 99999 \"x\"\n", 3},
        {head + "pushbutton 5 1 2 3 4x \"x\"\n", 3},
        {head + "pushbutton 5 1 2 3 4 x\n", 3},
        {head + "gizmo 5 1 2 3 4 \"x\"\n", 3},
        {head + "pushbutton 5 1 2 3 4 \"x\"\nlabel 5 1 2 3 4 \"y\"\n", 4},
        {head + "pushbutton 5 1 2 3 4 \"x\"\nitem 5 \"entry\"\n", 4},
        {head + "item 9 \"entry\"\n", 3},
        {head + "dialog 2 10 10 \"again\"\n", 3},
        {"dialog 1 10 10 \"t\"\n", 1},
        {head + "\xff\xfe\x01\n", 3},
    };
    for (const auto& [text, line] : broken) {
        std::string error;
        EXPECT_FALSE(ParseDialogTemplate(text, &error)) << text;
        EXPECT_EQ(error.rfind("line " + std::to_string(line) + ":", 0), 0u) << text << " -> " << error;
    }
}

TEST(DialogUnits, ScaleByQuarterWidthAndEighthHeightRounded) {
    // 6 by 13 pixels are the base units of an 8-point dialog font at 96 dots per inch.
    EXPECT_EQ(framework::DialogUnitsToPixels({0, 0, 375, 220}, {6, 13}), (DialogRect{0, 0, 563, 358}));
    EXPECT_EQ(framework::DialogUnitsToPixels({263, 199, 50, 14}, {6, 13}), (DialogRect{395, 323, 75, 23}));
    EXPECT_EQ(framework::DialogUnitsToPixels({1, 1, 3, 5}, {6, 12}), (DialogRect{2, 2, 5, 8}));
    EXPECT_EQ(framework::DialogUnitsToPixels({32767, 32767, 0, 0}, {40, 80}), (DialogRect{327670, 327670, 0, 0}));
}

}  // namespace
