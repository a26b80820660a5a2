#pragma once
// A configuration folder of its own for each test: $XDG_CONFIG_HOME points into a fresh
// temporary folder while the object lives.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

class ProfileHome {
public:
    ProfileHome() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vantaro-profile-XXXXXX").string();
        folder = mkdtemp(pattern.data());
        const char* old = std::getenv("XDG_CONFIG_HOME");
        hadOld = old != nullptr;
        if (old) oldValue = old;
        setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    }
    ~ProfileHome() {
        if (hadOld) {
            setenv("XDG_CONFIG_HOME", oldValue.c_str(), 1);
        } else {
            unsetenv("XDG_CONFIG_HOME");
        }
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    ProfileHome(const ProfileHome&) = delete;
    ProfileHome& operator=(const ProfileHome&) = delete;

    const std::string& Folder() const { return folder; }
    std::string SettingsFile() const { return folder + "/KELDRAN/Vantaro.ini"; }

    void Write(const std::string& text) const {
        std::filesystem::create_directories(folder + "/KELDRAN");
        std::ofstream(SettingsFile(), std::ios::binary) << text;
    }
    std::string Read() const {
        std::string text;
        if (std::FILE* file = std::fopen(SettingsFile().c_str(), "rb")) {
            char buffer[4096];
            for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, n);
            std::fclose(file);
        }
        return text;
    }

private:
    std::string folder;
    std::string oldValue;
    bool hadOld = false;
};
