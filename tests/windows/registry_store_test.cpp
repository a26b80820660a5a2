// The settings in the registry as the framework lays them out: the six values of the saver's
// "Option" section under HKCU\Software\KELDRAN\Vantaro, with their registry types.

#include "platform/win32/windows_api.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/framework/win32/registry_store.h"
#include "platform/win32/wide_text.h"

namespace {

const wchar_t* const kOptionKey = L"Software\\KELDRAN\\Vantaro\\Option";
constexpr const char* kSection = "Option";
const std::string kDefaultProgram = {1, 2, 3, 4, 16, 24, 27};

// The five integer settings, each with its default (Volume's stands for a start-up level).
struct IntegerSetting {
    const char* name;
    int defaultValue;
    int otherValue;
};
constexpr IntegerSetting kIntegers[] = {
    {"Sound", 1, 0}, {"Width", 800, 1024}, {"Height", 600, 768}, {"Volume", 0xFFFF, 40000}, {"Smoke", 2, 3},
};

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
    for (const IntegerSetting& setting : kIntegers) {
        EXPECT_EQ(store.GetInt(kSection, setting.name, setting.defaultValue), setting.defaultValue) << setting.name;
    }
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\KELDRAN", 0, KEY_READ, &key), ERROR_SUCCESS)
        << "reading created the key";
}

TEST_F(RegistryStoreTest, SixValuesLandUnderTheOptionKeyWithTheirTypes) {
    const std::string program = {5, 6, 7};
    ASSERT_TRUE(store.WriteString(kSection, "Program", program));
    for (const IntegerSetting& setting : kIntegers) ASSERT_TRUE(store.WriteInt(kSection, setting.name, setting.otherValue));

    DWORD type = 0;
    std::wstring raw;
    ASSERT_TRUE(ReadRaw(L"Program", type, raw));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw, (std::wstring{5, 6, 7, 0}));
    EXPECT_EQ(store.GetString(kSection, "Program", kDefaultProgram), program);
    for (const IntegerSetting& setting : kIntegers) {
        const std::wstring name = platform::WideFromUtf8(setting.name);
        ASSERT_TRUE(ReadRaw(name.c_str(), type, raw)) << setting.name;
        EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)) << setting.name;
        ASSERT_EQ(raw.size() * sizeof(wchar_t), sizeof(DWORD)) << setting.name;
        DWORD number = 0;
        std::memcpy(&number, raw.data(), sizeof(number));
        EXPECT_EQ(number, static_cast<DWORD>(setting.otherValue)) << setting.name;
        EXPECT_EQ(store.GetInt(kSection, setting.name, setting.defaultValue), setting.otherValue) << setting.name;
    }
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
