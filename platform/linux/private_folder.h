#pragma once
// Whether a file may be replaced in a folder without another user steering the write.

#include <string>

namespace platform {

// Why this process must not write a file into `folder`, or empty when it may: a folder that
// another user owns (root aside), or that others may write in without the sticky bit, lets
// them plant a link or swap a file under the name being written. A folder that cannot be
// examined gives no reason here; the write itself then fails with its own.
std::string UnsafeFolderReason(const std::string& folder);

// The folder a path's file lives in ("." for a bare name).
std::string FolderOf(const std::string& path);

}  // namespace platform
