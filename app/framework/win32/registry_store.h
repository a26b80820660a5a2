#pragma once
// The per-user profile on Windows: HKEY_CURRENT_USER\Software\<registryKey>\<appName>\<section>,
// integers as 32-bit registry numbers (REG_DWORD), strings as registry strings (REG_SZ).
// Profile strings are byte strings: each byte 1 to 255 is kept as the UTF-16 code unit of the
// same value, so every byte comes back unchanged whatever the system's code page.

#include <string>
#include <string_view>

namespace framework {

class RegistryStore {
public:
    RegistryStore(std::string_view registryKey, std::string_view appName);

    // The stored value, or `defaultValue` when it is absent or of another type.
    int GetInt(std::string_view section, std::string_view entry, int defaultValue) const;
    std::string GetString(std::string_view section, std::string_view entry, std::string_view defaultValue) const;

    // Store one value, creating the keys on the way; false when the registry refused it.
    bool WriteInt(std::string_view section, std::string_view entry, int value);
    bool WriteString(std::string_view section, std::string_view entry, std::string_view value);

private:
    std::wstring keyPath;  // HKEY_CURRENT_USER's subkey of the application, "Software\<registryKey>\<appName>"
};

// Profile bytes and their registry text, one code unit per byte.
std::wstring RegistryTextFromBytes(std::string_view bytes);
std::string BytesFromRegistryText(std::wstring_view text);

}  // namespace framework
