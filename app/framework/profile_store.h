#pragma once
// The per-user profile: one key file per application, one group per section. Integers are
// kept as integers; strings are byte strings written with escapes, so that every code 1 to
// 255 comes back unchanged while the file stays readable text. Reading never writes; every
// write replaces the whole file atomically, so a crash leaves the old file or the new one.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace framework {

// $XDG_CONFIG_HOME/<registryKey>/<appName>.ini, ~/.config standing in for an unset or
// relative $XDG_CONFIG_HOME; without a registry key, <appName>.ini in that folder. The home
// folder is $HOME when it is absolute, else the user's entry in the password database.
std::string ProfilePath(std::string_view registryKey, std::string_view appName);

// Bytes 0x21 to 0x7E stand for themselves, a backslash is doubled, every other byte is \xHH.
std::string EscapeProfileString(std::string_view bytes);
// The reverse; also reads the key file's own \s \n \t \r. Nothing for a malformed escape or a
// byte 0 (which the stored string cannot hold).
std::optional<std::string> UnescapeProfileString(std::string_view text);

// Writes `contents` to a new file beside `path` and renames it over `path` itself: a symbolic
// link at `path` is replaced, never followed. Refused, with one line on stderr, in a folder
// another user owns or may write in (see platform::UnsafeFolderReason). The new file keeps the
// old regular file's permissions, plus reading and writing for its owner. `beforeRename` runs once the new file is complete on disk, so
// tests can interrupt the write there. False, with `path` untouched, on any failure.
bool ReplaceFileAtomically(const std::string& path, std::string_view contents,
                           const std::function<void()>& beforeRename = {});

class ProfileStore {
public:
    explicit ProfileStore(std::string path);
    ~ProfileStore();
    ProfileStore(const ProfileStore&) = delete;
    ProfileStore& operator=(const ProfileStore&) = delete;

    const std::string& Path() const { return path; }

    // The stored value, or `defaultValue` when it is absent or unreadable. The file is read
    // once, at the first of these calls, only if it is a regular file (a FIFO or a device at
    // the path counts as unreadable), a UTF-8 byte order mark at its start skipped; what
    // cannot be read is noted for ReportProblems.
    int GetInt(std::string_view section, std::string_view entry, int defaultValue);
    std::string GetString(std::string_view section, std::string_view entry, std::string_view defaultValue);

    // Store one value and replace the file; false when the file could not be written.
    bool WriteInt(std::string_view section, std::string_view entry, int value);
    bool WriteString(std::string_view section, std::string_view entry, std::string_view value);

    // Between these two calls writes only change the values held; EndBatch then replaces the
    // file once with all of them, so that a set of values reaches the disk together or not
    // at all. EndBatch's result is that of the replacement (true when nothing was written).
    void BeginBatch() { ++batchDepth; }
    bool EndBatch();

    // One line on stderr naming the file and what in it could not be read, if anything;
    // then forgets it.
    void ReportProblems();
    bool HasProblems() const { return !problems.empty(); }

    // For tests: runs inside every write between completing the new file and the rename.
    void SetBeforeRenameHook(std::function<void()> hook) { beforeRename = std::move(hook); }

private:
    struct KeyFile;

    KeyFile& Loaded();
    bool Save();
    void NoteProblem(std::string what);

    std::string path;
    std::unique_ptr<KeyFile> keyFile;
    std::string problems;
    std::function<void()> beforeRename;
    int batchDepth = 0;
    bool unsaved = false;
};

}  // namespace framework
