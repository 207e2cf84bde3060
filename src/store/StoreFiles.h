// The working folders beside the executable and the catalogue files in them.
#pragma once

#include "store/Catalogues.h"

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

// The first working folder that cannot be made or written, "" when both can
// (or before InitStoreFolders). A missing folder is made on the way; one that
// cannot be is named by the folder it should be in.
std::string UnwritableFolder();

// Fills the catalogues from their files, cutting length bytes to their
// fields. Every catalogue is read even when another fails; the first failure
// is then raised as an IoError, and the failing catalogue starts empty. In a
// folder whose two catalogues were both read, the content files that neither
// names are deleted; nothing else is.
void LoadCatalogues();

// Writes one catalogue's file through a new file moved over the old one, and
// then deletes the content files of entries that have left it. A catalogue
// that failed to load is read again first: once it can be, this run's
// entries follow what the file holds (the newest ten kept); while it cannot,
// its file is left as it is. A failure to write is raised as an IoError at
// every failure of a streak until one of them has been seen. A landing given
// is run once on every way through, before the new file replaces the old.
void SaveCatalogue(CatalogueId id, const ContentLanding& landing = {});

// SaveCatalogue for all four, at exit. Raises one error that names every
// catalogue whose latest state is not on disk ("The clips of this run could
// not be kept in <file> (<reason>) and ..."), told or not before.
void SaveCatalogues();
// Before InitStoreFolders the three above do nothing.

// Whether fileName names a file directly inside a folder: not empty, no path
// separators, drive or stream colons, wildcards or control characters, not
// "." or "..", no trailing dot or space, and not a device name such as "CON".
bool IsBareFileName(std::string_view fileName);

// Whether fileName has the form of a content file with that extension:
// "clip", four hexadecimal digits, then ext, in any case. Only such files
// are ever deleted for an entry that leaves: a record may name anything.
bool IsContentFileName(std::string_view fileName, std::string_view ext);

// The full path of an entry's content file in folder (TempDir or StashDir), or
// "" when the entry's FileName is not a bare file name or folder is unset.
std::string ContentFilePath(const std::string& folder, std::string_view fileName);
std::string ContentFilePath(const std::string& folder, const TextClipEntry& entry);
std::string ContentFilePath(const std::string& folder, const BitmapClipEntry& entry);

// Whether path names an existing file; a folder of that name does not count.
bool FileExists(const std::string& path);

} // namespace store
