// Files and folders of a package as Windows finds them: names compared
// ignoring letter case, Windows paths ("tools\flash.exe") walked part by part.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace fwu::lint {

enum class EntryKind { Any, Folder, File };

// The entry of `folder` named `name` (letter case ignored) of that kind.
std::optional<std::filesystem::path> FindNoCase(const std::filesystem::path& folder, const std::wstring& name,
                                                EntryKind kind);

// The entry a relative Windows path names under `folder`: each part looked
// up with FindNoCase ("." and empty parts skipped, ".." the folder above);
// with EntryKind::Folder every part must name a folder. Nothing when a part
// is not found.
std::optional<std::filesystem::path> FindInFolder(const std::filesystem::path& folder, const std::wstring& relative,
                                                  EntryKind kind);

// Whether a relative Windows path names a file or folder under `folder`.
// Windows starts "tools\x" as "tools\x.exe".
bool ExistsInFolder(const std::filesystem::path& folder, const std::wstring& relative);

// What a start of the program at the relative path fails with: 0 when it
// is there, else ERROR_FILE_NOT_FOUND (also for a folder, or a folder on
// the way that is missing).
uint32_t ProgramStartError(const std::filesystem::path& folder, const std::wstring& relative);

}  // namespace fwu::lint
