// The per-user profile on Windows: the registry (registry_store.h) behind the profile's
// interface. A batch of writes is held and written together when it ends.

#include "app/framework/profile_store.h"

#include <variant>
#include <vector>

#include "app/framework/win32/registry_store.h"

namespace framework {

// "<registryKey>\<appName>": the application's key under HKEY_CURRENT_USER\Software.
std::string ProfilePath(std::string_view registryKey, std::string_view appName) {
    return std::string(registryKey) + "\\" + std::string(appName);
}

struct ProfileStore::KeyFile {
    struct Write {
        std::string section;
        std::string entry;
        std::variant<int, std::string> value;
    };

    explicit KeyFile(std::string_view path)
        : store(path.substr(0, path.rfind('\\')), path.substr(path.rfind('\\') + 1)) {}

    bool Store(const Write& write) {
        if (const int* number = std::get_if<int>(&write.value)) return store.WriteInt(write.section, write.entry, *number);
        return store.WriteString(write.section, write.entry, std::get<std::string>(write.value));
    }

    RegistryStore store;
    std::vector<Write> held;
};

ProfileStore::ProfileStore(std::string path_) : path(std::move(path_)), keyFile(std::make_unique<KeyFile>(path)) {}

ProfileStore::~ProfileStore() = default;

ProfileStore::KeyFile& ProfileStore::Loaded() { return *keyFile; }

int ProfileStore::GetInt(std::string_view section, std::string_view entry, int defaultValue) {
    return Loaded().store.GetInt(section, entry, defaultValue);
}

std::string ProfileStore::GetString(std::string_view section, std::string_view entry, std::string_view defaultValue) {
    return Loaded().store.GetString(section, entry, defaultValue);
}

bool ProfileStore::WriteInt(std::string_view section, std::string_view entry, int value) {
    Loaded().held.push_back({std::string(section), std::string(entry), value});
    unsaved = true;
    return batchDepth > 0 || Save();
}

bool ProfileStore::WriteString(std::string_view section, std::string_view entry, std::string_view value) {
    Loaded().held.push_back({std::string(section), std::string(entry), std::string(value)});
    unsaved = true;
    return batchDepth > 0 || Save();
}

bool ProfileStore::EndBatch() {
    if (batchDepth > 0) --batchDepth;
    return batchDepth > 0 || !unsaved || Save();
}

// Every held value, in the order written; false when the registry refused one (the others
// are still written). The caller says so: the configuration dialog stays open.
bool ProfileStore::Save() {
    bool saved = true;
    for (const KeyFile::Write& write : Loaded().held) saved = Loaded().Store(write) && saved;
    Loaded().held.clear();
    unsaved = false;
    return saved;
}

// Reading has nothing to report: an absent value or one of another type gives the default.
void ProfileStore::ReportProblems() {}

}  // namespace framework
