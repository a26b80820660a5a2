#pragma once
// The resources the manifest lists, read from resources/resources.txt itself, so the tests
// check the executable against the one list the build compiled it from.

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

struct ManifestEntry {
    std::string type;
    int id = 0;
    std::string file;  // absolute
};

inline std::vector<ManifestEntry> ReadManifest() {
    const std::string folder = VANTARO_SOURCE_DIR "/resources/";
    std::ifstream manifest(folder + "resources.txt");
    std::vector<ManifestEntry> entries;
    std::string line;
    while (std::getline(manifest, line)) {
        line = line.substr(0, line.find('#'));
        std::istringstream fields(line);
        ManifestEntry entry;
        if (fields >> entry.type >> entry.id >> entry.file) {
            entry.file = folder + entry.file;
            entries.push_back(entry);
        }
    }
    return entries;
}

inline std::vector<unsigned char> ReadFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}
