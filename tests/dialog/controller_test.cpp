// The configuration dialog's rules, without a display.

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <random>

#include "app/config_dialog_controller.h"
#include "play_list.h"
#include "platform/resources.h"

namespace {

using OkResult = ConfigDialogController::OkResult;

Settings WithPlayList(std::initializer_list<int> entries) {
    Settings s;
    s.program.fill(0);
    std::size_t i = 0;
    for (int e : entries) s.program[i++] = static_cast<signed char>(e);
    return s;
}

Settings Defaults() { return WithPlayList({1, 2, 3, 4, 16, 24, 27}); }

// Programme numbers of a list, top down.
std::vector<int> Numbers(const ConfigDialogController& c, ListId list) {
    std::vector<int> numbers;
    for (const ProgrammeItem& item : c.Items(list)) numbers.push_back(item.data + 1);
    return numbers;
}

std::vector<int> Selected(const ConfigDialogController& c, ListId list) {
    std::vector<int> numbers;
    for (const ProgrammeItem& item : c.Items(list)) {
        if (item.selected) numbers.push_back(item.data + 1);
    }
    return numbers;
}

// The user clicks the items holding these programmes, one click each.
void Click(ConfigDialogController& c, ListId list, std::initializer_list<int> programmes) {
    for (int n : programmes) {
        std::vector<bool> selection;
        for (const ProgrammeItem& item : c.Items(list)) selection.push_back(item.selected != (item.data + 1 == n));
        c.SelectionChanged(list, selection);
    }
}

std::vector<int> Range(int first, int last, std::initializer_list<int> except = {}) {
    std::vector<int> numbers;
    for (int n = first; n <= last; ++n) {
        if (std::find(except.begin(), except.end(), n) == except.end()) numbers.push_back(n);
    }
    return numbers;
}

Settings Confirm(ConfigDialogController& c, Settings s, ConfigDialogController::ControlValues values) {
    EXPECT_EQ(c.Ok(values), OkResult::Accepted);
    c.ApplyTo(s);
    return s;
}

const ConfigDialogController::ControlValues kUntouched{true, 1, 30000, 2};

TEST(ConfigDialogOpening, DefaultSettingsFillBothListsAndControls) {
    ConfigDialogController c;
    c.Open(Defaults());
    EXPECT_EQ(Numbers(c, ListId::Play), (std::vector<int>{1, 2, 3, 4, 16, 24, 27}));
    EXPECT_EQ(Numbers(c, ListId::Available), Range(1, 40, {1, 2, 3, 4, 16, 24, 27}));
    EXPECT_EQ(c.Items(ListId::Play)[4].name, platform::ProgrammeName(16));
    EXPECT_TRUE(Selected(c, ListId::Play).empty());
    EXPECT_TRUE(c.SoundChecked());
    EXPECT_EQ(c.ResolutionIndex(), 1);
    EXPECT_EQ(c.SmokePosition(), 2);
    EXPECT_FALSE(c.AddEnabled() || c.RemoveEnabled() || c.MoveUpEnabled() || c.MoveDownEnabled());
}

TEST(ConfigDialogOpening, StoredValuesOutsideTheControlsAreBroughtIntoThem) {
    Settings s = Defaults();
    s.width = 1920;
    s.height = 1080;
    s.volume = 70000;
    s.smoke = 0;
    s.sound = 5;
    ConfigDialogController c;
    c.Open(s);
    EXPECT_EQ(c.ResolutionIndex(), 0);
    EXPECT_EQ(c.VolumePosition(), 65535);
    EXPECT_EQ(c.SmokePosition(), 1);
    EXPECT_TRUE(c.SoundChecked());

    const Settings stored = Confirm(c, s, {c.SoundChecked(), c.ResolutionIndex(), c.VolumePosition(), c.SmokePosition()});
    EXPECT_EQ(stored.width, 640);
    EXPECT_EQ(stored.height, 480);
    EXPECT_EQ(stored.sound, 1);
    EXPECT_EQ(stored.volume, 65535);
    EXPECT_EQ(stored.smoke, 1);

    s.volume = -3;
    s.smoke = 9;
    s.width = 1600;
    c.Open(s);
    EXPECT_EQ(c.VolumePosition(), 0);
    EXPECT_EQ(c.SmokePosition(), 3);
    EXPECT_EQ(c.ResolutionIndex(), 4);
}

TEST(ConfigDialogSelection, ButtonsFollowTheSelections) {
    ConfigDialogController c;
    c.Open(Defaults());
    Click(c, ListId::Available, {5});
    EXPECT_TRUE(c.AddEnabled());
    Click(c, ListId::Available, {5});
    EXPECT_FALSE(c.AddEnabled());

    Click(c, ListId::Play, {3, 16});
    EXPECT_TRUE(c.RemoveEnabled() && c.MoveUpEnabled() && c.MoveDownEnabled());
    Click(c, ListId::Play, {3});
    EXPECT_TRUE(c.RemoveEnabled());
    Click(c, ListId::Play, {16});
    EXPECT_FALSE(c.RemoveEnabled() || c.MoveUpEnabled() || c.MoveDownEnabled());
}

TEST(ConfigDialogSelection, SelectAllAndDeselectAllForAnyNumberOfItems) {
    for (std::initializer_list<int> list : {std::initializer_list<int>{7}, {1, 2, 3, 4, 16, 24, 27}}) {
        ConfigDialogController c;
        c.Open(WithPlayList(list));
        c.SelectAll(ListId::Play);
        EXPECT_EQ(Selected(c, ListId::Play), Numbers(c, ListId::Play));
        EXPECT_TRUE(c.RemoveEnabled());
        EXPECT_FALSE(c.MoveUpEnabled() || c.MoveDownEnabled()) << "move buttons keep their state";
        c.DeselectAll(ListId::Play);
        EXPECT_TRUE(Selected(c, ListId::Play).empty());
        EXPECT_FALSE(c.RemoveEnabled());

        c.SelectAll(ListId::Available);
        EXPECT_EQ(Selected(c, ListId::Available).size(), 40 - Numbers(c, ListId::Play).size());
        EXPECT_TRUE(c.AddEnabled());
        c.DeselectAll(ListId::Available);
        EXPECT_TRUE(Selected(c, ListId::Available).empty());
        EXPECT_FALSE(c.AddEnabled());
    }

    // With every programme in the play list the available list is empty: selecting all of
    // nothing enables nothing. Deselect all leaves move up and down enabled as they were.
    ConfigDialogController full;
    full.Open(Defaults());
    full.SelectAll(ListId::Available);
    full.Add();
    full.SelectAll(ListId::Available);
    EXPECT_FALSE(full.AddEnabled());
    Click(full, ListId::Play, {3});
    full.DeselectAll(ListId::Play);
    EXPECT_FALSE(full.RemoveEnabled());
    EXPECT_TRUE(full.MoveUpEnabled() && full.MoveDownEnabled());
}

TEST(ConfigDialogEditing, AddAppendsInAvailableOrderUnselected) {
    ConfigDialogController c;
    c.Open(Defaults());
    Click(c, ListId::Play, {24});
    Click(c, ListId::Available, {5, 2});  // programme 2 is in the play list: nothing to click
    Click(c, ListId::Available, {40, 5});  // 5 toggled back off
    Click(c, ListId::Available, {5, 8});
    c.Add();
    EXPECT_EQ(Numbers(c, ListId::Play), (std::vector<int>{1, 2, 3, 4, 16, 24, 27, 5, 8, 40}));
    EXPECT_EQ(Selected(c, ListId::Play), std::vector<int>{24});
    EXPECT_EQ(Numbers(c, ListId::Available), Range(1, 40, {1, 2, 3, 4, 5, 8, 16, 24, 27, 40}));
    EXPECT_FALSE(c.AddEnabled());
    EXPECT_TRUE(c.RemoveEnabled()) << "the play list's selection is untouched by Add";
}

TEST(ConfigDialogEditing, RemovePutsProgrammesBackInNumberOrder) {
    ConfigDialogController c;
    c.Open(WithPlayList({27, 1, 40, 16}));
    Click(c, ListId::Play, {16, 1, 40});
    c.Remove();
    EXPECT_EQ(Numbers(c, ListId::Play), std::vector<int>{27});
    EXPECT_EQ(Numbers(c, ListId::Available), Range(1, 40, {27}));
    EXPECT_TRUE(Selected(c, ListId::Available).empty());
    EXPECT_FALSE(c.RemoveEnabled() || c.MoveUpEnabled() || c.MoveDownEnabled());
}

TEST(ConfigDialogEditing, MoveUpAndDownMoveSelectedBlocksAndStopAtTheEnds) {
    ConfigDialogController c;
    c.Open(WithPlayList({1, 2, 3, 4, 5, 6}));
    Click(c, ListId::Play, {3, 4, 6});
    c.MoveUp();
    EXPECT_EQ(Numbers(c, ListId::Play), (std::vector<int>{1, 3, 4, 2, 6, 5}));
    c.MoveUp();
    EXPECT_EQ(Numbers(c, ListId::Play), (std::vector<int>{3, 4, 1, 6, 2, 5}));
    c.MoveUp();  // 3 is first and selected: nothing moves
    EXPECT_EQ(Numbers(c, ListId::Play), (std::vector<int>{3, 4, 1, 6, 2, 5}));
    EXPECT_EQ(Selected(c, ListId::Play), (std::vector<int>{3, 4, 6}));

    c.MoveDown();
    EXPECT_EQ(Numbers(c, ListId::Play), (std::vector<int>{1, 3, 4, 2, 6, 5}));
    c.MoveDown();
    EXPECT_EQ(Numbers(c, ListId::Play), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    c.MoveDown();  // 6 is last and selected
    EXPECT_EQ(Numbers(c, ListId::Play), (std::vector<int>{1, 2, 3, 4, 5, 6}));

    c.SelectAll(ListId::Play);
    c.Remove();
    c.MoveUp();
    c.MoveDown();
    EXPECT_TRUE(c.Items(ListId::Play).empty());
}

TEST(ConfigDialogOk, EmptyPlayListIsRefusedAndChangesNothing) {
    ConfigDialogController c;
    const Settings before = Defaults();
    c.Open(before);
    c.SelectAll(ListId::Play);
    c.Remove();
    EXPECT_EQ(c.Ok({false, 4, 1, 3}), OkResult::EmptyPlayList);
    EXPECT_EQ(ConfigDialogController::RefusalMessage(OkResult::EmptyPlayList), "実施リストが空です");
    EXPECT_EQ(Numbers(c, ListId::Available), Range(1, 40));
    EXPECT_TRUE(c.RemoveEnabled() == false && c.SoundChecked() && c.ResolutionIndex() == 1);
}

TEST(ConfigDialogOk, StoresThePlayListAndTheControls) {
    ConfigDialogController c;
    Settings s = Defaults();
    s.width = 1024;
    s.height = 700;
    c.Open(s);
    Click(c, ListId::Play, {1});
    c.MoveDown();
    for (int smoke = 1; smoke <= 3; ++smoke) {
        const Settings stored = Confirm(c, s, {false, 3, 65535, smoke});
        EXPECT_EQ(PlayListOf(stored), (std::vector<int>{2, 1, 3, 4, 16, 24, 27}));
        EXPECT_EQ(stored.sound, 0);
        EXPECT_EQ(stored.width, 1280);
        EXPECT_EQ(stored.height, 1024);
        EXPECT_EQ(stored.volume, 65535);
        EXPECT_EQ(stored.smoke, smoke);
    }
    // Without a resolution chosen the stored size stays as it was, even one not offered.
    const Settings unchosen = Confirm(c, s, {true, -1, 0, 2});
    EXPECT_EQ(unchosen.width, 1024);
    EXPECT_EQ(unchosen.height, 700);

    c.SelectAll(ListId::Available);
    c.Add();
    EXPECT_EQ(PlayListOf(Confirm(c, s, kUntouched)).size(), 40u);
}

TEST(ConfigDialogStoredLists, RepeatedProgrammesStayRepeatedAndReturnOnce) {
    ConfigDialogController c;
    c.Open(WithPlayList({3, 7, 3, 3}));
    EXPECT_EQ(Numbers(c, ListId::Play), (std::vector<int>{3, 7, 3, 3}));
    EXPECT_EQ(Numbers(c, ListId::Available), Range(1, 40, {3, 7}));
    EXPECT_EQ(PlayListOf(Confirm(c, Defaults(), kUntouched)), (std::vector<int>{3, 7, 3, 3}));

    // Removing one copy leaves the programme in the play list only.
    c.SelectionChanged(ListId::Play, {true, false, false, false});
    c.Remove();
    EXPECT_EQ(Numbers(c, ListId::Play), (std::vector<int>{7, 3, 3}));
    EXPECT_EQ(Numbers(c, ListId::Available), Range(1, 40, {3, 7}));
    // Removing the last two returns it once.
    c.SelectionChanged(ListId::Play, {false, true, true});
    c.Remove();
    EXPECT_EQ(Numbers(c, ListId::Available), Range(1, 40, {7}));
}

TEST(ConfigDialogStoredLists, MoreThanFortyItemsAreRefusedNotCut) {
    Settings s;
    s.program.fill(9);  // 40 times programme 9, no terminating 0
    ConfigDialogController c;
    c.Open(s);
    EXPECT_EQ(c.Items(ListId::Play).size(), 40u);
    c.SelectAll(ListId::Available);
    c.Add();
    ASSERT_EQ(c.Items(ListId::Play).size(), 79u);
    EXPECT_EQ(c.Ok(kUntouched), OkResult::PlayListTooLong);
    EXPECT_FALSE(ConfigDialogController::RefusalMessage(OkResult::PlayListTooLong).empty());

    std::vector<bool> firstThirtyNine(79, false);
    std::fill_n(firstThirtyNine.begin(), 39, true);
    c.SelectionChanged(ListId::Play, firstThirtyNine);
    c.Remove();
    const Settings stored = Confirm(c, s, kUntouched);
    std::vector<int> expected{9};
    for (int n : Range(1, 40, {9})) expected.push_back(n);
    EXPECT_EQ(PlayListOf(stored), expected);
}

TEST(ConfigDialogStoredLists, EntriesWithoutAProgrammeAreShownAndKept) {
    // 50 and the byte 200 (a negative char where char is signed) name no programme; each
    // shows as the code it is.
    ConfigDialogController c;
    c.Open(WithPlayList({50, 2, 200}));
    ASSERT_EQ(c.Items(ListId::Play).size(), 3u);
    EXPECT_NE(c.Items(ListId::Play)[0].name.find("(50)"), std::string::npos);
    EXPECT_NE(c.Items(ListId::Play)[2].name.find("(200)"), std::string::npos);
    EXPECT_EQ(PlayListOf(Confirm(c, Defaults(), kUntouched)), (std::vector<int>{50, 2, 200}));

    c.SelectAll(ListId::Play);
    c.Remove();
    const std::vector<int> available = Numbers(c, ListId::Available);
    EXPECT_EQ(available.front(), 1);
    EXPECT_EQ(available.back(), 200);
    EXPECT_EQ(available.size(), 42u);
    Click(c, ListId::Available, {50});
    c.Add();
    EXPECT_EQ(PlayListOf(Confirm(c, Defaults(), kUntouched)), std::vector<int>{50});
}

// Whatever the user does, every programme stands in exactly one list, the available list in
// number order, and the buttons match the selections they were last set from.
TEST(ConfigDialogEditing, RandomEditsKeepEachProgrammeInExactlyOneList) {
    std::mt19937 random(11);
    ConfigDialogController c;
    c.Open(Defaults());
    for (int step = 0; step < 3000; ++step) {
        const ListId list = random() % 2 ? ListId::Play : ListId::Available;
        switch (random() % 8) {
            case 0: c.Add(); break;
            case 1: c.Remove(); break;
            case 2: c.MoveUp(); break;
            case 3: c.MoveDown(); break;
            case 4: c.SelectAll(list); break;
            case 5: c.DeselectAll(list); break;
            default: {
                std::vector<bool> selection;
                for (std::size_t i = 0; i < c.Items(list).size(); ++i) selection.push_back(random() % 3 == 0);
                c.SelectionChanged(list, selection);
            }
        }
        std::vector<int> all = Numbers(c, ListId::Play);
        const std::vector<int> available = Numbers(c, ListId::Available);
        ASSERT_TRUE(std::is_sorted(available.begin(), available.end())) << "step " << step;
        all.insert(all.end(), available.begin(), available.end());
        std::sort(all.begin(), all.end());
        ASSERT_EQ(all, Range(1, 40)) << "step " << step;
        ASSERT_FALSE(Selected(c, ListId::Available).empty() && c.AddEnabled()) << "step " << step;
        ASSERT_FALSE(Selected(c, ListId::Play).empty() && c.RemoveEnabled()) << "step " << step;
    }
}

}  // namespace
