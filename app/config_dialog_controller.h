#pragma once
// What the configuration dialog does, without any toolkit: the available list and the play
// list with each item's programme (its data is the programme number minus 1), their
// selections, which buttons are enabled, the values of the other controls, and the
// conversions from the settings when the dialog opens and back into them on OK. The view
// shows this state and reports the user's clicks to it.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "app/saver_app.h"

struct Resolution {
    int width;
    int height;
};

// The drop-down list's entries, by index.
inline constexpr std::array<Resolution, 5> kResolutions{{{640, 480}, {800, 600}, {1024, 768}, {1280, 1024}, {1600, 1200}}};

inline constexpr std::string_view kEmptyPlayListMessage = "実施リストが空です";
inline constexpr std::string_view kPlayListTooLongMessage = "実施リストに入れられる科目は 40 までです";

enum class ListId { Available, Play };

struct ProgrammeItem {
    std::string name;
    int data = 0;  // programme number minus 1
    bool selected = false;

    bool operator==(const ProgrammeItem&) const = default;
};

// The name a list shows for a play-list entry: the programme's name, or for an entry that
// names no programme a placeholder carrying its number.
std::string ProgrammeItemName(int number);

class ConfigDialogController {
public:
    enum class OkResult { Accepted, EmptyPlayList, PlayListTooLong };

    // What the view reads from its controls when OK is pressed.
    struct ControlValues {
        bool soundChecked = false;
        int resolutionIndex = -1;  // -1: nothing selected
        int volumePosition = 0;
        int smokePosition = kSmokeRange.min;
    };

    // Fills both lists and the control values from the settings and sets the enable states.
    void Open(const Settings& settings);

    const std::vector<ProgrammeItem>& Items(ListId list) const { return list == ListId::Play ? play : available; }
    bool AddEnabled() const { return addEnabled; }
    bool RemoveEnabled() const { return removeEnabled; }
    bool MoveUpEnabled() const { return moveUpEnabled; }
    bool MoveDownEnabled() const { return moveDownEnabled; }

    bool SoundChecked() const { return sound != 0; }
    int ResolutionIndex() const { return resolutionIndex; }
    int VolumePosition() const { return volume; }
    int SmokePosition() const { return smoke; }

    // The user changed the selection of `list` to `selected` (one flag per item).
    void SelectionChanged(ListId list, const std::vector<bool>& selected);

    void Add();
    void Remove();
    void MoveUp();
    void MoveDown();
    void SelectAll(ListId list);
    void DeselectAll(ListId list);

    // OK: takes the control values and the play list, unless the play list cannot be stored.
    OkResult Ok(const ControlValues& values);
    // The message that explains a refused OK.
    static std::string_view RefusalMessage(OkResult result);

    // After an accepted OK: the play list, sound, volume, smoke and resolution into `settings`.
    void ApplyTo(Settings& settings) const;

private:
    std::vector<ProgrammeItem>& List(ListId list) { return list == ListId::Play ? play : available; }
    void ReturnToAvailable(int data);

    std::vector<ProgrammeItem> available;
    std::vector<ProgrammeItem> play;
    bool addEnabled = false;
    bool removeEnabled = false;
    bool moveUpEnabled = false;
    bool moveDownEnabled = false;

    int sound = 0;
    int resolutionIndex = 0;
    int volume = 0;
    int smoke = kSmokeRange.min;
    show::PlayList program{};
};
