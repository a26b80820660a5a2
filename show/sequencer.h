#pragma once
// The programme sequencer: walks the play list and owns the one programme object that exists
// at any time. The saver window asks it for a programme at the start of every frame and lets it
// update the running one after the scenery.

#include <cstdint>
#include <functional>
#include <memory>

#include "gfx/math.h"
#include "manoeuvres/manoeuvre.h"
#include "show/play_list.h"
#include "scene/device.h"

namespace show {

// What every programme start is given besides its number.
struct StartParameters {
    gfx::Vec3 eye = manoeuvres::kGroundCamera;
    int clientWidth = 0;
    int clientHeight = 0;
    int sound = 1;
    int smoke = ::aircraft::kDefaultSmokeAmount;  // the user's smoke amount, 1 to 3
};

// The programme number that follows `current` in `playList`: entry 0 after 0; after the first
// entry equal to `current`, the next entry, wrapping at the end of the list; `current` again
// when the list does not hold it.
int NextProgrammeNumber(const PlayList& playList, int current);

class Sequencer {
public:
    using Factory = std::function<std::unique_ptr<manoeuvres::Manoeuvre>(int number)>;

    Sequencer(const PlayList& playList, StartParameters parameters, Factory factory = manoeuvres::CreateManoeuvre);
    ~Sequencer();

    // Destroys the current programme, chooses the next number and starts its programme. The
    // result may name no programme (0, outside 1 to 40, or a programme without flight data).
    int StartNextProgram(scene::Device& device, int current);
    void DestroyProgram(int number);

    // The frame's two steps: before drawing, start a programme when none runs; after the
    // scenery, update the running one and keep its result.
    void BeginFrame(scene::Device& device);
    void UpdateProgramme(scene::Device& device);

    int CurrentNumber() const { return currentNumber; }
    bool Running() const { return running; }
    manoeuvres::Manoeuvre* CurrentProgramme() const { return current.get(); }

private:
    const PlayList& playList;
    StartParameters parameters;
    Factory factory;
    int currentNumber = 0;
    std::unique_ptr<manoeuvres::Manoeuvre> current;
    bool running = true;
};

}  // namespace show
