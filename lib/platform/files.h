// File helpers: the program folder, path joining, whole-file reads and writes, and the
// write-through-a-temporary-and-rename that keeps a settings file or counter whole on a crash.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The folder of the running executable, unless SetProgramFolder chose another (tests, the emulated station).
std::filesystem::path ProgramFolder();
void SetProgramFolder(const std::filesystem::path& folder);
// Where a file named by `path` lives: a relative path is taken under the program folder (the folder a
// station PC starts the program in), whatever the current directory is; an absolute path is kept.
std::filesystem::path InProgramFolder(const std::filesystem::path& path);

// Joins path pieces; a piece written with Windows separators ("log\\x.log") is taken piece by piece.
std::filesystem::path JoinPath(const std::filesystem::path& base, std::string_view relative);
// Text a drive or an operator gave, made fit to be part of one file or folder name: path separators,
// control and reserved characters become '_'.
std::string SafeNamePart(std::string_view text);

// The whole file as bytes, or nothing when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);
// Creates or truncates the file and writes `data`; false on any failure.
bool WriteWholeFile(const std::filesystem::path& path, std::string_view data);
// Writes `data` to a temporary file beside `path`, flushes it to disk and renames it over `path`:
// readers see the old file or the new one, never a half-written one. False on any failure
// (the old file is then untouched and the temporary removed).
// - A symbolic link is followed: its target is replaced and the link stays a link.
// - The new file keeps the replaced file's permission bits, and its owner and group where the
//   process may set them; a new file gets 0644 less the umask.
// - Temporaries "<file>.tmp-<pid>-<n>" that killed saves of the same file left are removed first.
bool WriteFileAtomic(const std::filesystem::path& path, std::string_view data);
// The file a save of `path` replaces: `path` itself, or the end of its chain of symbolic links.
std::filesystem::path SaveTarget(const std::filesystem::path& path);
// Creates the folder and any missing parents. True when it is a folder afterwards, also when
// another thread or program made it meanwhile; false when it cannot be made (a file in the way,
// no permission).
bool MakeFolders(const std::filesystem::path& folder);
// Appends `data` in one write; false on failure.
bool AppendToFile(const std::filesystem::path& path, std::string_view data);

}  // namespace platform
