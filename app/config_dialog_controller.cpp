#include "app/config_dialog_controller.h"

#include <algorithm>

#include "platform/resources.h"

namespace {

bool AnySelected(const std::vector<ProgrammeItem>& items) {
    return std::any_of(items.begin(), items.end(), [](const ProgrammeItem& i) { return i.selected; });
}

bool Holds(const std::vector<ProgrammeItem>& items, int data) {
    return std::any_of(items.begin(), items.end(), [data](const ProgrammeItem& i) { return i.data == data; });
}

int ResolutionIndexForWidth(int width) {
    for (std::size_t i = 0; i < kResolutions.size(); ++i) {
        if (kResolutions[i].width == width) return static_cast<int>(i);
    }
    return 0;
}

}  // namespace

std::string ProgrammeItemName(int number) {
    std::string name = platform::ProgrammeName(number);
    if (name.empty()) name = "名前のない科目 (" + std::to_string(number) + ")";
    return name;
}

void ConfigDialogController::Open(const Settings& settings) {
    sound = settings.sound != 0 ? 1 : 0;
    volume = std::clamp(settings.volume, kVolumeRange.min, kVolumeRange.max);
    smoke = std::clamp(settings.smoke, kSmokeRange.min, kSmokeRange.max);
    resolutionIndex = ResolutionIndexForWidth(settings.width);

    // Entries that name no programme are shown and kept like any other, so that OK stores
    // them back unchanged; a repeated programme is shown as often as it is stored.
    play.clear();
    for (signed char stored : settings.program) {
        if (stored == 0) break;
        // Each entry is one byte, a code from 1 to 255 whatever the sign of the char type.
        const int entry = static_cast<unsigned char>(stored);
        play.push_back({ProgrammeItemName(entry), entry - 1, false});
    }
    available.clear();
    for (int n = 1; n <= manoeuvres::kProgrammeCount; ++n) {
        if (!Holds(play, n - 1)) available.push_back({ProgrammeItemName(n), n - 1, false});
    }
    addEnabled = removeEnabled = moveUpEnabled = moveDownEnabled = false;
    program = settings.program;
}

void ConfigDialogController::SelectionChanged(ListId list, const std::vector<bool>& selected) {
    std::vector<ProgrammeItem>& items = List(list);
    for (std::size_t i = 0; i < items.size(); ++i) items[i].selected = i < selected.size() && selected[i];
    if (list == ListId::Available) {
        addEnabled = AnySelected(items);
    } else {
        removeEnabled = moveUpEnabled = moveDownEnabled = AnySelected(items);
    }
}

void ConfigDialogController::Add() {
    for (const ProgrammeItem& item : available) {
        if (item.selected) play.push_back({item.name, item.data, false});
    }
    std::erase_if(available, [](const ProgrammeItem& i) { return i.selected; });
    addEnabled = false;
}

// Puts a programme back at its place in number order. A programme that the play list still
// holds (it was stored more than once) or that is already there is not listed twice.
void ConfigDialogController::ReturnToAvailable(int data) {
    if (Holds(play, data) || Holds(available, data)) return;
    const auto place = std::find_if(available.begin(), available.end(),
                                    [data](const ProgrammeItem& i) { return i.data > data; });
    available.insert(place, {ProgrammeItemName(data + 1), data, false});
}

void ConfigDialogController::Remove() {
    std::vector<int> removed;
    for (const ProgrammeItem& item : play) {
        if (item.selected) removed.push_back(item.data);
    }
    std::erase_if(play, [](const ProgrammeItem& i) { return i.selected; });
    for (int data : removed) ReturnToAvailable(data);
    removeEnabled = moveUpEnabled = moveDownEnabled = false;
}

void ConfigDialogController::MoveUp() {
    if (play.empty() || play.front().selected) return;
    for (std::size_t i = 1; i < play.size(); ++i) {
        if (play[i].selected) std::swap(play[i - 1], play[i]);
    }
}

void ConfigDialogController::MoveDown() {
    if (play.empty() || play.back().selected) return;
    for (std::size_t i = play.size() - 1; i-- > 0;) {
        if (play[i].selected) std::swap(play[i], play[i + 1]);
    }
}

// Select all and deselect all leave move up and move down as they were.
void ConfigDialogController::SelectAll(ListId list) {
    std::vector<ProgrammeItem>& items = List(list);
    for (ProgrammeItem& item : items) item.selected = true;
    (list == ListId::Available ? addEnabled : removeEnabled) = !items.empty();
}

void ConfigDialogController::DeselectAll(ListId list) {
    for (ProgrammeItem& item : List(list)) item.selected = false;
    (list == ListId::Available ? addEnabled : removeEnabled) = false;
}

ConfigDialogController::OkResult ConfigDialogController::Ok(const ControlValues& values) {
    if (play.empty()) return OkResult::EmptyPlayList;
    // The stored play list has room for 40 entries; rather than drop what does not fit, the
    // user is asked to shorten the list.
    if (play.size() > program.size()) return OkResult::PlayListTooLong;
    program.fill(0);
    for (std::size_t i = 0; i < play.size(); ++i) program[i] = static_cast<signed char>(play[i].data + 1);
    volume = std::clamp(values.volumePosition, kVolumeRange.min, kVolumeRange.max);
    smoke = std::clamp(values.smokePosition, kSmokeRange.min, kSmokeRange.max);
    sound = values.soundChecked ? 1 : 0;
    resolutionIndex = values.resolutionIndex;
    return OkResult::Accepted;
}

std::string_view ConfigDialogController::RefusalMessage(OkResult result) {
    switch (result) {
        case OkResult::EmptyPlayList: return kEmptyPlayListMessage;
        case OkResult::PlayListTooLong: return kPlayListTooLongMessage;
        case OkResult::Accepted: break;
    }
    return {};
}

void ConfigDialogController::ApplyTo(Settings& settings) const {
    settings.program = program;
    settings.sound = sound;
    settings.volume = volume;
    settings.smoke = smoke;
    if (resolutionIndex >= 0 && resolutionIndex < static_cast<int>(kResolutions.size())) {
        settings.width = kResolutions[static_cast<std::size_t>(resolutionIndex)].width;
        settings.height = kResolutions[static_cast<std::size_t>(resolutionIndex)].height;
    }
}
