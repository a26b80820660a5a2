#include "app/framework/win32/registry_store.h"

#include "platform/win32/windows_api.h"

#include <vector>

namespace framework {
namespace {

// Section and entry names are plain ASCII here; each byte becomes one code unit.
std::wstring NameFromBytes(std::string_view name) { return RegistryTextFromBytes(name); }

// One open key, closed when it goes.
class Key {
public:
    Key(const std::wstring& path, bool create) {
        const LSTATUS status =
            create ? RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                                     &handle, nullptr)
                   : RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &handle);
        if (status != ERROR_SUCCESS) handle = nullptr;
    }
    ~Key() {
        if (handle) RegCloseKey(handle);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    HKEY Handle() const { return handle; }

private:
    HKEY handle = nullptr;
};

std::wstring SectionPath(const std::wstring& keyPath, std::string_view section) {
    return keyPath + L"\\" + NameFromBytes(section);
}

}  // namespace

std::wstring RegistryTextFromBytes(std::string_view bytes) {
    std::wstring text;
    text.reserve(bytes.size());
    for (char c : bytes) text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return text;
}

std::string BytesFromRegistryText(std::wstring_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (wchar_t c : text) bytes.push_back(static_cast<char>(c <= 0xFF ? c : L'?'));
    return bytes;
}

RegistryStore::RegistryStore(std::string_view registryKey, std::string_view appName)
    : keyPath(L"Software\\" + NameFromBytes(registryKey) + L"\\" + NameFromBytes(appName)) {}

int RegistryStore::GetInt(std::string_view section, std::string_view entry, int defaultValue) const {
    Key key(SectionPath(keyPath, section), false);
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (!key.Handle() || RegQueryValueExW(key.Handle(), NameFromBytes(entry).c_str(), nullptr, &type,
                                          reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(value)) {
        return defaultValue;
    }
    return static_cast<int>(value);
}

std::string RegistryStore::GetString(std::string_view section, std::string_view entry,
                                     std::string_view defaultValue) const {
    Key key(SectionPath(keyPath, section), false);
    const std::wstring name = NameFromBytes(entry);
    DWORD type = 0;
    DWORD size = 0;
    if (!key.Handle() || RegQueryValueExW(key.Handle(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return std::string(defaultValue);
    }
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    DWORD read = size;
    if (RegQueryValueExW(key.Handle(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &read) !=
        ERROR_SUCCESS) {
        return std::string(defaultValue);
    }
    // The stored size may or may not count a terminating zero.
    std::wstring_view text(buffer.data(), read / sizeof(wchar_t));
    if (const auto end = text.find(L'\0'); end != std::wstring_view::npos) text = text.substr(0, end);
    return BytesFromRegistryText(text);
}

bool RegistryStore::WriteInt(std::string_view section, std::string_view entry, int value) {
    Key key(SectionPath(keyPath, section), true);
    const DWORD number = static_cast<DWORD>(value);
    return key.Handle() && RegSetValueExW(key.Handle(), NameFromBytes(entry).c_str(), 0, REG_DWORD,
                                          reinterpret_cast<const BYTE*>(&number), sizeof(number)) == ERROR_SUCCESS;
}

bool RegistryStore::WriteString(std::string_view section, std::string_view entry, std::string_view value) {
    Key key(SectionPath(keyPath, section), true);
    const std::wstring text = RegistryTextFromBytes(value);
    const auto size = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    return key.Handle() && RegSetValueExW(key.Handle(), NameFromBytes(entry).c_str(), 0, REG_SZ,
                                          reinterpret_cast<const BYTE*>(text.c_str()), size) == ERROR_SUCCESS;
}

}  // namespace framework
