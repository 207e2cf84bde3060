// The working folders beside the executable and the catalogue files in them.
#pragma once

#include "store/ClipEntry.h"

#include <string>
#include <string_view>

namespace store {

// Set by InitStoreFolders; each ends with a backslash.
extern std::string ProgramDir;
extern std::string TempDir;  // ProgramDir + "temp\"
extern std::string StashDir; // ProgramDir + "stash\"

// The folder of an executable path: up to its last "\" or ":", ending with "\".
std::string ProgramDirOf(std::string_view exePath);

// Sets the three folders and creates "temp" and "stash" where missing. A folder
// that cannot be created is not reported here; its files fail later.
void InitStoreFolders(std::string_view exePath);

// Fill the catalogues from their files / write them back. Every catalogue is
// handled even when another fails; the first failure is then raised as an
// IoError. A catalogue that failed to load is not written back. Before
// InitStoreFolders both do nothing.
void LoadCatalogues();
void SaveCatalogues();

// Whether fileName names a file directly inside a folder: not empty, no path
// separators, drive or stream colons, wildcards or control characters, not
// "." or "..", no trailing dot or space, and not a device name such as "CON".
bool IsBareFileName(std::string_view fileName);

// The full path of an entry's content file in folder (TempDir or StashDir), or
// "" when the entry's FileName is not a bare file name or folder is unset.
std::string ContentFilePath(const std::string& folder, std::string_view fileName);
std::string ContentFilePath(const std::string& folder, const TextClipEntry& entry);
std::string ContentFilePath(const std::string& folder, const BitmapClipEntry& entry);

// Whether path names an existing file; a folder of that name does not count.
bool FileExists(const std::string& path);

} // namespace store
