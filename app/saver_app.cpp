#include "app/saver_app.h"

#include <algorithm>
#include <string>

#include "app/framework/profile_store.h"

namespace {

constexpr const char* kSection = "Option";

std::string PlayListText(const std::array<signed char, kPlayListLength>& program) {
    const auto end = std::find(program.begin(), program.end(), 0);
    return std::string(program.begin(), end);
}

}  // namespace

void CSaverApp::LoadSettings() {
    const Settings defaults;
    const std::string program = GetProfileString(kSection, "Program", PlayListText(defaults.program));
    // The first 40 characters fill the list; a shorter string leaves the rest 0.
    settings.program.fill(0);
    std::copy_n(program.begin(), std::min(program.size(), kPlayListLength), settings.program.begin());
    settings.sound = GetProfileInt(kSection, "Sound", defaults.sound);
    settings.width = GetProfileInt(kSection, "Width", defaults.width);
    settings.height = GetProfileInt(kSection, "Height", defaults.height);
    settings.volume = GetProfileInt(kSection, "Volume", startupVolume);
    settings.smoke = GetProfileInt(kSection, "Smoke", defaults.smoke);
    ReportProfileProblems();
}

bool CSaverApp::SaveSettings() {
    framework::ProfileStore& store = Profile();
    store.BeginBatch();
    WriteProfileString(kSection, "Program", PlayListText(settings.program));
    WriteProfileInt(kSection, "Sound", settings.sound);
    WriteProfileInt(kSection, "Width", settings.width);
    WriteProfileInt(kSection, "Height", settings.height);
    WriteProfileInt(kSection, "Volume", settings.volume);
    WriteProfileInt(kSection, "Smoke", settings.smoke);
    return store.EndBatch();
}
