// The executable's PE resources, compiled from the manifest: every listed file is there
// byte for byte under its type and id, the icon loads as an icon, the strings as strings.

#include "platform/win32/windows_api.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "manifest_entries.h"
#include "platform/resources.h"
#include "platform/win32/wide_text.h"

namespace {

using platform::ResourceType;

ResourceType TypeNamed(const std::string& name) {
    if (name == "MESH") return ResourceType::kMESH;
    if (name == "RCDATA") return ResourceType::kRCDATA;
    if (name == "WAVE") return ResourceType::kWAVE;
    if (name == "ICON") return ResourceType::kICON;
    if (name == "DIALOG") return ResourceType::kDIALOG;
    return ResourceType::kSTRINGTABLE;
}

TEST(PeResources, EveryListedFileIsCarriedByteForByte) {
    const auto entries = ReadManifest();
    ASSERT_GT(entries.size(), 50u);
    int checked = 0;
    for (const ManifestEntry& entry : entries) {
        // The icon becomes an icon group and its images; the strings a string table.
        if (entry.type == "ICON" || entry.type == "STRINGTABLE") continue;
        const auto bytes = platform::FindResource(TypeNamed(entry.type), entry.id);
        ASSERT_TRUE(bytes.has_value()) << entry.type << " " << entry.id;
        const auto expected = ReadFileBytes(entry.file);
        ASSERT_FALSE(expected.empty()) << entry.file;
        EXPECT_TRUE(std::equal(bytes->begin(), bytes->end(), expected.begin(), expected.end()))
            << entry.type << " " << entry.id << " differs from " << entry.file;
        ++checked;
    }
    EXPECT_GT(checked, 50);
}

TEST(PeResources, AbsentOnesAreReportedAbsent) {
    EXPECT_FALSE(platform::FindResource(ResourceType::kMESH, 160).has_value());
    EXPECT_FALSE(platform::FindResource(ResourceType::kWAVE, 211).has_value());
    EXPECT_FALSE(platform::FindResource(ResourceType::kRCDATA, 148).has_value());
    EXPECT_FALSE(platform::FindResource(ResourceType::kMESH, 70000).has_value());
    std::string text = "unchanged";
    EXPECT_FALSE(platform::LoadStringResource(240, text));
    EXPECT_EQ(text, "unchanged");
}

TEST(PeResources, Icon128LoadsAsAnIconOfTheSizesAsked) {
    HINSTANCE module = GetModuleHandleW(nullptr);
    EXPECT_NE(LoadIconW(module, MAKEINTRESOURCEW(128)), nullptr);
    for (int size : {16, 32, 48}) {
        HANDLE icon = LoadImageW(module, MAKEINTRESOURCEW(128), IMAGE_ICON, size, size, 0);
        ASSERT_NE(icon, nullptr) << size;
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(static_cast<HICON>(icon), &info));
        BITMAP bitmap{};
        GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
        EXPECT_EQ(bitmap.bmWidth, size);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(static_cast<HICON>(icon));
    }
    EXPECT_TRUE(platform::FindResource(ResourceType::kICON, 128).has_value());
}

TEST(PeResources, StringTableMatchesItsSource) {
    std::ifstream source(VANTARO_SOURCE_DIR "/resources/strings.txt");
    std::string line;
    int checked = 0;
    while (std::getline(source, line)) {
        const auto tab = line.find('\t');
        if (line.empty() || line[0] == '#' || tab == std::string::npos) continue;
        std::string text;
        const unsigned id = static_cast<unsigned>(std::stoul(line.substr(0, tab)));
        ASSERT_TRUE(platform::LoadStringResource(id, text)) << id;
        EXPECT_EQ(text, line.substr(tab + 1)) << id;
        ++checked;
    }
    EXPECT_EQ(checked, 42);  // the list name, the 40 programme names and the application name
}

// What Windows reads from the saver's file without running it: the name the screensaver list
// shows (string 1), the version block the file's properties show, and the manifest that gives
// the dialogs the system's visual style and the windows the monitors' own resolution.
TEST(PeResources, TheSaverCarriesItsListNameVersionBlockAndManifest) {
    const std::wstring path = platform::WideFromUtf8(VANTARO_BINARY_DIR "/vantaro.scr");
    HMODULE saver = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(saver, nullptr);
    wchar_t name[64] = {};
    EXPECT_GT(LoadStringW(saver, 1, name, 64), 0);
    EXPECT_STREQ(name, L"Vantaro");

    std::vector<char> version(GetFileVersionInfoSizeW(path.c_str(), nullptr));
    ASSERT_FALSE(version.empty());
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(version.size()), version.data()));
    const auto text = [&version](const wchar_t* key) {
        void* value = nullptr;
        UINT length = 0;
        const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + key;
        return VerQueryValueW(version.data(), query.c_str(), &value, &length) && length > 0
                   ? std::wstring(static_cast<const wchar_t*>(value))
                   : std::wstring();
    };
    EXPECT_EQ(text(L"CompanyName"), L"KELDRAN");
    EXPECT_EQ(text(L"ProductName"), L"Vantaro");
    EXPECT_EQ(text(L"FileDescription"), L"Vantaro screensaver");
    EXPECT_EQ(text(L"FileVersion"), platform::WideFromUtf8(VANTARO_VERSION));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(version.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, (VANTARO_VERSION_MAJOR << 16) | VANTARO_VERSION_MINOR);

    HRSRC found = FindResourceW(saver, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
    ASSERT_NE(found, nullptr);
    const std::string manifest(static_cast<const char*>(LockResource(LoadResource(saver, found))),
                               SizeofResource(saver, found));
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find(">PerMonitorV2"), std::string::npos);
    FreeLibrary(saver);
}

}  // namespace
