#include "app/framework/profile_store.h"

#include <fcntl.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/linux/private_folder.h"

namespace framework {
namespace {

// A settings file is a few hundred bytes; anything past this is not one, and is not read.
constexpr std::size_t kMaxProfileBytes = 1 << 20;

constexpr char kHexDigits[] = "0123456789ABCDEF";

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Relative values of either variable are ignored, as the XDG rules say: the path must not
// depend on the current folder.
std::string ConfigHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') {
        const passwd* user = getpwuid(getuid());
        home = user && user->pw_dir && user->pw_dir[0] == '/' ? user->pw_dir : "/";
    }
    std::string folder(home);
    if (folder.back() != '/') folder += '/';
    return folder + ".config";
}

bool IsPlainText(std::string_view text) {
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F) return false;
    }
    return g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr);
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// Whether a key file holds `line`: a blank line, a comment, a group header, or key=value
// inside a group. A damaged header also makes the keys after it unreadable, so that they
// never land in the group before it.
bool KeepLine(std::string_view line, bool& inGroup) {
    const bool header = !line.empty() && line.front() == '[';
    if (line.find('\0') != std::string_view::npos) {
        if (header) inGroup = false;
        return false;
    }
    const std::string_view trimmed = Trimmed(line);
    if (trimmed.empty() || trimmed.front() == '#') return true;
    if (header) {
        const std::string_view name = line.substr(1, line.size() - 1);
        inGroup = line.back() == ']' && name.size() > 1 && IsPlainText(name) &&
                  name.substr(0, name.size() - 1).find_first_of("[]") == std::string_view::npos;
        return inGroup;
    }
    const auto equals = line.find('=');
    if (!inGroup || equals == std::string_view::npos) return false;
    const std::string_view key = Trimmed(line.substr(0, equals));
    return !key.empty() && IsPlainText(key) && key.find_first_of("[]") == std::string_view::npos;
}

// The lines of `text` that a key file can hold; `dropped` counts the others.
std::string KeptLines(std::string_view text, int& dropped) {
    std::string kept;
    bool inGroup = false;
    while (!text.empty()) {
        const auto eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (KeepLine(line, inGroup)) {
            kept.append(line).push_back('\n');
        } else {
            ++dropped;
        }
    }
    return kept;
}

enum class ReadResult { kRead, kMissing, kFailed, kNotAFile, kTooLarge };

ReadResult ReadSmallFile(const std::string& path, std::string& contents, int& error) {
    // Opening never waits (a FIFO would, for a writer); only a regular file is read.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    error = errno;
    if (fd < 0) return error == ENOENT ? ReadResult::kMissing : ReadResult::kFailed;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return ReadResult::kNotAFile;
    }
    ReadResult result = ReadResult::kRead;
    char buffer[8192];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = errno;
            result = ReadResult::kFailed;
        }
        if (n <= 0) break;
        contents.append(buffer, static_cast<std::size_t>(n));
        if (contents.size() > kMaxProfileBytes) {
            result = ReadResult::kTooLarge;
            break;
        }
    }
    close(fd);
    if (result != ReadResult::kRead) contents.clear();
    return result;
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

std::string ProfilePath(std::string_view registryKey, std::string_view appName) {
    std::string path = ConfigHome();
    if (!registryKey.empty()) path.append("/").append(registryKey);
    return path.append("/").append(appName).append(".ini");
}

std::string EscapeProfileString(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (unsigned char c : bytes) {
        if (c == '\\') {
            text += "\\\\";
        } else if (c > 0x20 && c < 0x7F) {
            text += static_cast<char>(c);
        } else {
            text += "\\x";
            text += kHexDigits[c >> 4];
            text += kHexDigits[c & 0xF];
        }
    }
    return text;
}

std::optional<std::string> UnescapeProfileString(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\0') return std::nullopt;
        if (c != '\\') {
            bytes += c;
            continue;
        }
        if (++i == text.size()) return std::nullopt;
        switch (text[i]) {
            case '\\': c = '\\'; break;
            case 's': c = ' '; break;
            case 'n': c = '\n'; break;
            case 't': c = '\t'; break;
            case 'r': c = '\r'; break;
            case 'x': {
                const int high = i + 1 < text.size() ? HexValue(text[i + 1]) : -1;
                const int low = i + 2 < text.size() ? HexValue(text[i + 2]) : -1;
                if (high < 0 || low < 0 || (high | low) == 0) return std::nullopt;
                c = static_cast<char>(high * 16 + low);
                i += 2;
                break;
            }
            default: return std::nullopt;
        }
        bytes += c;
    }
    return bytes;
}

bool ReplaceFileAtomically(const std::string& path, std::string_view contents,
                           const std::function<void()>& beforeRename) {
    // The new file is made beside the path, never through a link (an exclusive create), and
    // renamed over the path itself: a link planted there is replaced, not followed.
    if (const std::string unsafe = platform::UnsafeFolderReason(platform::FolderOf(path)); !unsafe.empty()) {
        std::fprintf(stderr, "Vantaro: %s is not written: %s\n", path.c_str(), unsafe.c_str());
        return false;
    }
    std::string temporary = path + ".XXXXXX";
    const int fd = g_mkstemp_full(temporary.data(), O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    // The new file keeps the permissions the user gave the old one, except that its owner can
    // always read and write it: a file the saver cannot read would never take effect.
    struct stat old {};
    if (lstat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) fchmod(fd, (old.st_mode & 07777) | S_IRUSR | S_IWUSR);
    const bool written = WriteAll(fd, contents) && fsync(fd) == 0;
    if (close(fd) != 0 || !written) {
        unlink(temporary.c_str());
        return false;
    }
    if (beforeRename) beforeRename();
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

struct ProfileStore::KeyFile {
    KeyFile() : file(g_key_file_new()) {}
    ~KeyFile() { g_key_file_free(file); }
    KeyFile(const KeyFile&) = delete;
    KeyFile& operator=(const KeyFile&) = delete;
    GKeyFile* file;
};

ProfileStore::ProfileStore(std::string path_) : path(std::move(path_)) {}

ProfileStore::~ProfileStore() = default;

ProfileStore::KeyFile& ProfileStore::Loaded() {
    if (keyFile) return *keyFile;
    keyFile = std::make_unique<KeyFile>();
    std::string contents;
    int error = 0;
    switch (ReadSmallFile(path, contents, error)) {
        case ReadResult::kMissing: return *keyFile;
        case ReadResult::kFailed: NoteProblem(std::string("cannot be read (") + std::strerror(error) + ")"); return *keyFile;
        case ReadResult::kNotAFile: NoteProblem("is not a regular file"); return *keyFile;
        case ReadResult::kTooLarge: NoteProblem("is too large to be a settings file"); return *keyFile;
        case ReadResult::kRead: break;
    }
    // Editors that write a byte order mark mean UTF-8 by it; it is no part of the first line.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (std::string_view(contents).substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        contents.erase(0, kByteOrderMark.size());
    }
    int dropped = 0;
    const std::string kept = KeptLines(contents, dropped);
    if (dropped > 0) NoteProblem(std::to_string(dropped) + " damaged line(s) skipped");
    GError* parseError = nullptr;
    if (!g_key_file_load_from_data(keyFile->file, kept.data(), kept.size(), G_KEY_FILE_KEEP_COMMENTS, &parseError)) {
        NoteProblem(std::string("cannot be parsed (") + parseError->message + ")");
        g_error_free(parseError);
        keyFile = std::make_unique<KeyFile>();
    }
    return *keyFile;
}

int ProfileStore::GetInt(std::string_view section, std::string_view entry, int defaultValue) {
    const std::string group(section), key(entry);
    GError* error = nullptr;
    const int value = g_key_file_get_integer(Loaded().file, group.c_str(), key.c_str(), &error);
    if (!error) return value;
    if (error->domain == G_KEY_FILE_ERROR && error->code == G_KEY_FILE_ERROR_INVALID_VALUE) {
        NoteProblem(group + "/" + key + " is not a 32-bit integer");
    }
    g_error_free(error);
    return defaultValue;
}

std::string ProfileStore::GetString(std::string_view section, std::string_view entry, std::string_view defaultValue) {
    const std::string group(section), key(entry);
    gchar* raw = g_key_file_get_value(Loaded().file, group.c_str(), key.c_str(), nullptr);
    if (!raw) return std::string(defaultValue);
    std::optional<std::string> value = UnescapeProfileString(raw);
    g_free(raw);
    if (value) return *std::move(value);
    NoteProblem(group + "/" + key + " has a malformed escape");
    return std::string(defaultValue);
}

bool ProfileStore::WriteInt(std::string_view section, std::string_view entry, int value) {
    const std::string group(section), key(entry);
    g_key_file_set_integer(Loaded().file, group.c_str(), key.c_str(), value);
    return Save();
}

bool ProfileStore::WriteString(std::string_view section, std::string_view entry, std::string_view value) {
    const std::string group(section), key(entry);
    g_key_file_set_value(Loaded().file, group.c_str(), key.c_str(), EscapeProfileString(value).c_str());
    return Save();
}

bool ProfileStore::EndBatch() {
    if (batchDepth > 0) --batchDepth;
    return !unsaved || Save();
}

bool ProfileStore::Save() {
    unsaved = batchDepth > 0;
    if (unsaved) return true;
    gsize length = 0;
    gchar* data = g_key_file_to_data(Loaded().file, &length, nullptr);
    const std::string folder = path.substr(0, path.rfind('/'));
    const bool saved = (folder.empty() || g_mkdir_with_parents(folder.c_str(), 0700) == 0) &&
                       ReplaceFileAtomically(path, std::string_view(data, length), beforeRename);
    g_free(data);
    return saved;
}

void ProfileStore::NoteProblem(std::string what) {
    if (!problems.empty()) problems += "; ";
    problems += what;
}

void ProfileStore::ReportProblems() {
    if (problems.empty()) return;
    std::fprintf(stderr, "Vantaro: settings file %s: %s; defaults used instead\n", path.c_str(), problems.c_str());
    problems.clear();
}

}  // namespace framework
