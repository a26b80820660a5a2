// The settings in the registry as the framework lays them out: the six values of the saver's
// "Option" section under HKCU\Software\KELDRAN\Vantaro, with their registry types.

#include "platform/windows_api.h"

#include <gtest/gtest.h>

#include <string>

#include "app/framework/registry_store.h"

namespace {

const wchar_t* const kOptionKey = L"Software\\KELDRAN\\Vantaro\\Option";
constexpr const char* kSection = "Option";
const std::string kDefaultProgram = {1, 2, 3, 4, 16, 24, 27};

// Each test starts, and leaves, without the saver's key.
class RegistryStoreTest : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\KELDRAN"); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\KELDRAN"); }

    // The raw value as the registry holds it: its type and bytes.
    static bool ReadRaw(const wchar_t* name, DWORD& type, std::wstring& bytes) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kOptionKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        wchar_t buffer[512] = {};
        DWORD size = sizeof(buffer);
        const bool read = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) ==
                          ERROR_SUCCESS;
        RegCloseKey(key);
        bytes.assign(buffer, size / sizeof(wchar_t));
        return read;
    }

    framework::RegistryStore store{"KELDRAN", "Vantaro"};
};

TEST_F(RegistryStoreTest, AFreshUserGetsTheDefaultsAndNothingIsWritten) {
    EXPECT_EQ(store.GetString(kSection, "Program", kDefaultProgram), kDefaultProgram);
    EXPECT_EQ(store.GetInt(kSection, "Sound", 1), 1);
    EXPECT_EQ(store.GetInt(kSection, "Width", 800), 800);
    EXPECT_EQ(store.GetInt(kSection, "Height", 600), 600);
    EXPECT_EQ(store.GetInt(kSection, "Volume", 0xFFFF), 0xFFFF);
    EXPECT_EQ(store.GetInt(kSection, "Smoke", 2), 2);
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\KELDRAN", 0, KEY_READ, &key), ERROR_SUCCESS)
        << "reading created the key";
}

TEST_F(RegistryStoreTest, SixValuesLandUnderTheOptionKeyWithTheirTypes) {
    const std::string program = {5, 6, 7};
    ASSERT_TRUE(store.WriteString(kSection, "Program", program));
    ASSERT_TRUE(store.WriteInt(kSection, "Sound", 0));
    ASSERT_TRUE(store.WriteInt(kSection, "Width", 1024));
    ASSERT_TRUE(store.WriteInt(kSection, "Height", 768));
    ASSERT_TRUE(store.WriteInt(kSection, "Volume", 40000));
    ASSERT_TRUE(store.WriteInt(kSection, "Smoke", 3));

    DWORD type = 0;
    std::wstring raw;
    ASSERT_TRUE(ReadRaw(L"Program", type, raw));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw, (std::wstring{5, 6, 7, 0}));
    for (const wchar_t* name : {L"Sound", L"Width", L"Height", L"Volume", L"Smoke"}) {
        ASSERT_TRUE(ReadRaw(name, type, raw)) << name;
        EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)) << name;
        EXPECT_EQ(raw.size() * sizeof(wchar_t), sizeof(DWORD)) << name;
    }
    EXPECT_EQ(store.GetString(kSection, "Program", kDefaultProgram), program);
    EXPECT_EQ(store.GetInt(kSection, "Sound", 1), 0);
    EXPECT_EQ(store.GetInt(kSection, "Width", 800), 1024);
    EXPECT_EQ(store.GetInt(kSection, "Height", 600), 768);
    EXPECT_EQ(store.GetInt(kSection, "Volume", 0), 40000);
    EXPECT_EQ(store.GetInt(kSection, "Smoke", 2), 3);
}

TEST_F(RegistryStoreTest, EveryCharacterCode1To255RoundTrips) {
    std::string all;
    for (int c = 1; c <= 255; ++c) all.push_back(static_cast<char>(c));
    ASSERT_TRUE(store.WriteString(kSection, "Program", all));
    EXPECT_EQ(store.GetString(kSection, "Program", ""), all);
    // A blank (programme 32) and a double quotation mark (programme 34) on their own.
    ASSERT_TRUE(store.WriteString(kSection, "Program", " \""));
    EXPECT_EQ(store.GetString(kSection, "Program", ""), " \"");
    ASSERT_TRUE(store.WriteString(kSection, "Program", ""));
    EXPECT_EQ(store.GetString(kSection, "Program", kDefaultProgram), "");
}

TEST_F(RegistryStoreTest, IntegersKeepAll32BitsAndWrongTypesGiveTheDefault) {
    ASSERT_TRUE(store.WriteInt(kSection, "Volume", -1));
    EXPECT_EQ(store.GetInt(kSection, "Volume", 7), -1);
    ASSERT_TRUE(store.WriteInt(kSection, "Width", 0x7FFFFFFF));
    EXPECT_EQ(store.GetInt(kSection, "Width", 7), 0x7FFFFFFF);
    // A string where a number belongs, and the other way round.
    ASSERT_TRUE(store.WriteString(kSection, "Smoke", "3"));
    EXPECT_EQ(store.GetInt(kSection, "Smoke", 2), 2);
    ASSERT_TRUE(store.WriteInt(kSection, "Program", 5));
    EXPECT_EQ(store.GetString(kSection, "Program", kDefaultProgram), kDefaultProgram);
}

}  // namespace
