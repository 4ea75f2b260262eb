#pragma once
// Paths, folders and whole-file reads. Paths are UTF-16 everywhere; each platform converts at
// the system call.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vx::platform {

#ifdef _WIN32
inline constexpr char16_t kPathSeparator = u'\\';
#else
inline constexpr char16_t kPathSeparator = u'/';
#endif

// folder + separator + name; just name when folder is empty; no doubled separator when folder
// already ends in one.
std::u16string joinPath(std::u16string_view folder, std::u16string_view name);

// The path up to, not including, its last separator; empty when it has none.
std::u16string parentFolder(std::u16string_view path);

// The whole content of a regular file, or nothing when it cannot be opened or read, or is not a
// regular file (a folder, a pipe or a device is never read, so a read cannot block).
std::optional<std::vector<unsigned char>> readFileBytes(const std::u16string& path);

bool folderExists(const std::u16string& path);

// True when anything (file, folder, link) exists at path.
bool pathExists(const std::u16string& path);

// Creates one folder (its parent must exist). True when it exists afterwards.
bool createFolder(const std::u16string& path);

// Copies the folder from, with its files and subfolders, into the folder to (created when
// missing). False when anything could not be copied.
bool copyFolder(const std::u16string& from, const std::u16string& to);

// Puts a copy of the file from at to, replacing what is there: the copy is written beside to
// and then renamed over it, so that a reader never sees half a file. False when it could not be
// done (to is then as it was).
bool replaceFile(const std::u16string& from, const std::u16string& to);

// The folder of the program file that holds the engine code (the executable, or the shared
// library it was linked into), links resolved; empty when it cannot be determined.
std::u16string programFolder();

// The path as the C libraries of this system open files by name (fopen): UTF-8 on POSIX; on
// Windows in the legacy code page, by the path's short (8.3) form where the code page lacks a
// character of the long one. Empty when the system has no narrow name for the path, so that a
// library is never handed a lookalike of it.
std::string narrowPath(const std::u16string& path);

// The folder for temporary files such as the log: $TMPDIR, else $XDG_RUNTIME_DIR, else /tmp on
// POSIX; GetTempPathW on Windows. No trailing separator; empty when it cannot be determined.
std::u16string temporaryFolder();

// The folder of the log: on POSIX $XDG_RUNTIME_DIR, which only its user can enter, when it is
// set, else the temporary folder; on Windows the temporary folder, which is the user's own.
std::u16string logFolder();

// The per-user settings folder of the engine (the "VxTts" folder under $XDG_CONFIG_HOME or
// ~/.config on POSIX, under the application-data folder on Windows). It is not created here;
// empty when the user's home cannot be determined.
std::u16string perUserFolder();

} // namespace vx::platform
