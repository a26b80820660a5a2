// The executable's PE resources, compiled from the manifest: every listed file is there
// byte for byte under its type and id, the icon loads as an icon, the strings as strings.

#include "platform/windows_api.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "manifest_entries.h"
#include "platform/resources.h"

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
    EXPECT_EQ(checked, 41);  // the 40 programme names and the application name
}

}  // namespace
