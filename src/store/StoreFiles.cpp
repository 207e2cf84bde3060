#include "store/StoreFiles.h"

#include "store/Catalogues.h"
#include "store/IoError.h"
#include "ui/Handles.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <optional>
#include <utility>
#include <vector>

namespace store {

std::string ProgramDir;
std::string TempDir;
std::string StashDir;

namespace {

// The attributes of what is at path, if anything. One look-up: every capture
// asks this of each name it tries.
std::optional<DWORD> FindAttributes(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return std::nullopt;
    return attributes;
}

bool FolderExists(const std::string& path)
{
    const auto attributes = FindAttributes(path);
    return attributes && (*attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsDeviceName(std::string_view name)
{
    // Windows maps these to devices in every folder, with any extension.
    std::string base(name.substr(0, name.find('.')));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    for (char& c : base) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CONIN$" ||
        base == "CONOUT$")
        return true;
    if (base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT"))) {
        const unsigned char digit = static_cast<unsigned char>(base[3]);
        // 0xB9, 0xB2, 0xB3: superscript one, two and three.
        return (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
    }
    return false;
}

ui::FileHandle OpenCatalogueFile(const std::string& path, DWORD creation)
{
    ui::FileHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                    nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        ThrowLastIoError();
    return file;
}

void CloseCatalogueFile(ui::FileHandle& file)
{
    if (!CloseHandle(file.release()))
        ThrowLastIoError();
}

class FirstFailure {
public:
    template <class Step>
    void Run(Step step)
    {
        try {
            step();
        } catch (const IoError& e) {
            if (!first_)
                first_ = e;
        }
    }
    void Raise() const
    {
        if (first_)
            throw *first_;
    }

private:
    std::optional<IoError> first_;
};

// A new clip's landing, run once whichever way a write goes: an entry that
// stays in memory for a later write has its content on the disk all the same.
class Landing {
public:
    explicit Landing(const ContentLanding* landing = nullptr) noexcept : landing_(landing) {}
    void Run()
    {
        if (landing_ && *landing_ && !std::exchange(done_, true))
            (*landing_)();
    }

private:
    const ContentLanding* landing_;
    bool done_ = false;
};

template <class Entry>
void Load(Catalogue<Entry>& catalogue, const std::string& path)
{
    catalogue = Catalogue<Entry>{};
    catalogue.Stamp = NextStamp();
    try {
        // Only a file that is surely not there is an empty catalogue; one
        // that could not be looked at may hold clips.
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
                return;
            throw IoError(error);
        }
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            return;
        ui::FileHandle file = OpenCatalogueFile(path, OPEN_EXISTING);
        DWORD high = 0;
        const DWORD low = GetFileSize(file.get(), &high);
        if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
            ThrowLastIoError();
        const int records = high != 0 ? CatalogueCapacity
                                      : static_cast<int>(std::min<DWORD>(low / sizeof(Entry), CatalogueCapacity));
        for (int slot = 1; slot <= records; ++slot) {
            // Read aside, so a short read leaves no half record in a slot.
            Entry record{};
            DWORD read = 0;
            if (!ReadFile(file.get(), &record, sizeof record, &read, nullptr))
                ThrowLastIoError();
            if (read != sizeof record)
                throw IoError(ShortReadCode);
            CutLengths(record);
            catalogue.Entries[slot] = record;
            catalogue.Count = slot;
        }
        CloseCatalogueFile(file);
    } catch (const IoError&) {
        // Nothing of a file read in part: memory holds this run's entries
        // only, to be added to the file once it can be read.
        catalogue = Catalogue<Entry>{};
        catalogue.Stamp = NextStamp();
        catalogue.LoadFailed = true;
        throw;
    }
}

// Moves the new catalogue over the old one. A program that has the old one
// open just then (a virus scanner, a backup, an indexer, a look from a
// script) keeps its name taken for a moment: wait that out, briefly; a file
// made read-only stays so, and fails at once.
bool ReplaceCatalogue(const std::string& fresh, const std::string& path)
{
    constexpr DWORD kPatienceMs = 250, kStepMs = 10;
    for (DWORD waited = 0;; waited += kStepMs) {
        if (MoveFileExA(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = GetLastError();
        const DWORD attributes = GetFileAttributesA(path.c_str());
        const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
        if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) || readOnly || waited >= kPatienceMs) {
            SetLastError(error);
            return false;
        }
        Sleep(kStepMs);
    }
}

// Writes a new file beside the old one and moves it over, so the old file
// stays whole until the new one is complete.
template <class Entry>
void Save(const Catalogue<Entry>& catalogue, const std::string& path, Landing& landing)
{
    std::array<Entry, CatalogueCapacity> records{};
    const int count = std::clamp<int>(catalogue.Count, 0, CatalogueCapacity);
    for (int slot = 1; slot <= count; ++slot) {
        records[static_cast<std::size_t>(slot - 1)] = catalogue.Entries[slot];
        CutLengths(records[static_cast<std::size_t>(slot - 1)]);
    }
    const DWORD size = static_cast<DWORD>(count * sizeof(Entry));
    const std::string fresh = path + ".new";
    try {
        ui::FileHandle file = OpenCatalogueFile(fresh, CREATE_ALWAYS);
        DWORD written = 0;
        if (size > 0 && !WriteFile(file.get(), records.data(), size, &written, nullptr))
            ThrowLastIoError();
        if (written != size)
            throw IoError(ShortWriteCode);
        landing.Run();
        if (!FlushFileBuffers(file.get()))
            ThrowLastIoError();
        CloseCatalogueFile(file);
        if (!ReplaceCatalogue(fresh, path))
            ThrowLastIoError();
    } catch (const IoError&) {
        DeleteFileA(fresh.c_str());
        landing.Run();
        throw;
    } catch (const ContentNotKept&) {
        DeleteFileA(fresh.c_str());
        throw;
    }
}

// Reads a catalogue that could not be read at start and puts this run's
// entries after what its file holds, the newest ten kept; whether the file
// could be read. Entries that drop out on the way leave like any other.
template <class Entry>
bool ReadAgain(Catalogue<Entry>& catalogue, const std::string& path)
{
    Catalogue<Entry> merged;
    try {
        Load(merged, path);
    } catch (const IoError&) {
        return false;
    }
    for (int slot = 1; slot <= catalogue.Count; ++slot) {
        if (merged.Count == CatalogueCapacity)
            catalogue.Leaving.push_back(merged.Entries[1].FileName.Text());
        Append(merged) = catalogue.Entries[slot];
    }
    catalogue.Entries = merged.Entries;
    catalogue.Count = merged.Count;
    catalogue.LoadFailed = false;
    return true;
}

constexpr std::string_view ContentExtension(const TextClipEntry*) noexcept { return ".txt"; }
constexpr std::string_view ContentExtension(const BitmapClipEntry*) noexcept { return ".bmp"; }

// Deletes the content files of the entries that have left, now that the
// written file names them no more: those of the catalogue's own kind that no
// entry still names.
template <class Entry>
void DeleteLeft(Catalogue<Entry>& catalogue, const std::string& folder)
{
    for (const std::string& name : std::exchange(catalogue.Leaving, {})) {
        if (!IsContentFileName(name, ContentExtension(static_cast<const Entry*>(nullptr))) ||
            NamesFile(catalogue, name))
            continue;
        const std::string path = ContentFilePath(folder, name);
        if (!path.empty())
            DeleteFileA(path.c_str());
    }
}

// Whether a catalogue holds anything of this run that its file lacks while
// the file cannot be read.
template <class Entry>
bool HoldsUnkeptClips(const Catalogue<Entry>& catalogue) noexcept
{
    return catalogue.LoadFailed && catalogue.Count > 0;
}

std::uint64_t failingStreaks = 0;

// Brings a catalogue's file up to date with memory, and then lets the
// content files of the entries that left go. A file that could not be read
// is read again first and left alone while it still cannot be. A failed
// write is raised, and starts a failing streak unless one runs.
template <class Entry>
void Write(Catalogue<Entry>& catalogue, const std::string& path, const std::string& folder,
           Landing&& landing = Landing())
{
    if (catalogue.LoadFailed &&
        ((catalogue.Count == 0 && catalogue.Leaving.empty()) || !ReadAgain(catalogue, path))) {
        landing.Run();
        return;
    }
    try {
        Save(catalogue, path, landing);
    } catch (const IoError&) {
        if (!catalogue.WriteFailure) {
            catalogue.WriteFailure = ++failingStreaks;
            catalogue.WriteFailureSeen = false;
        }
        throw;
    }
    catalogue.WriteFailure = 0;
    catalogue.WriteFailureSeen = false;
    DeleteLeft(catalogue, folder);
}

// Runs step on a catalogue with the path of its file and its content folder.
template <class Step>
void WithCatalogue(CatalogueId id, Step step)
{
    switch (id) {
    case CatalogueId::RecentText: step(RecentTextCatalogue, TempDir + "txtclips.dat", TempDir); break;
    case CatalogueId::SavedText: step(SavedTextCatalogue, StashDir + "txtsaved.dat", StashDir); break;
    case CatalogueId::RecentBitmap: step(RecentBitmapCatalogue, TempDir + "bmpclips.dat", TempDir); break;
    case CatalogueId::SavedBitmap: step(SavedBitmapCatalogue, StashDir + "bmpsaved.dat", StashDir); break;
    }
}

// Before InitStoreFolders (a start that failed early) the names would be
// relative: files in whatever folder is current.
bool FoldersSet() noexcept
{
    return !TempDir.empty() && !StashDir.empty();
}

constexpr CatalogueId kFileOrder[] = {CatalogueId::RecentText, CatalogueId::SavedText, CatalogueId::RecentBitmap,
                                      CatalogueId::SavedBitmap};

// Deletes the content files in folder that neither of its catalogues names,
// once both were read: a kill between a content file's write and its
// catalogue's, or between a catalogue's replace and the deletions after it,
// leaves such files, and so does a write failure that lasts until exit. A
// catalogue that could not be read may name any of them.
void DeleteUnnamed(const std::string& folder, const TextCatalogue& texts, const BitmapCatalogue& bitmaps)
{
    if (texts.LoadFailed || bitmaps.LoadFailed)
        return;
    WIN32_FIND_DATAA found;
    ui::FindHandle search(FindFirstFileA((folder + "clip*").c_str(), &found));
    if (!search)
        return;
    do {
        const std::string name = found.cFileName;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            (IsContentFileName(name, ".txt") || IsContentFileName(name, ".bmp")) && !NamesFile(texts, name) &&
            !NamesFile(bitmaps, name))
            DeleteFileA((folder + name).c_str());
    } while (FindNextFileA(search.get(), &found));
}

} // namespace

std::string ProgramDirOf(std::string_view exePath)
{
    const std::size_t cut = exePath.find_last_of("\\:");
    std::string dir(cut == std::string_view::npos ? std::string_view{} : exePath.substr(0, cut + 1));
    if (dir.empty() || dir.back() != '\\')
        dir += '\\';
    return dir;
}

void InitStoreFolders(std::string_view exePath)
{
    ProgramDir = ProgramDirOf(exePath);
    for (const char* name : {"temp", "stash"}) {
        const std::string folder = ProgramDir + name;
        if (!FolderExists(folder))
            CreateDirectoryA(folder.c_str(), nullptr);
    }
    TempDir = ProgramDir + "temp\\";
    StashDir = ProgramDir + "stash\\";
}

std::string UnwritableFolder()
{
    if (!FoldersSet())
        return {};
    for (const std::string* folder : {&TempDir, &StashDir}) {
        const std::string path = folder->substr(0, folder->size() - 1);
        if (!FolderExists(path) && !CreateDirectoryA(path.c_str(), nullptr) && !FolderExists(path))
            return ProgramDir;
        // A file of our own made and removed again: a folder's attributes
        // do not tell whether this user may write in it. Wine names a file
        // it could not make all the same.
        char probe[MAX_PATH];
        if (!GetTempFileNameA(folder->c_str(), "tdm", 0, probe) || !FileExists(probe))
            return *folder;
        DeleteFileA(probe);
    }
    return {};
}

void LoadCatalogues()
{
    if (!FoldersSet())
        return;
    // Every catalogue is read even when an earlier one failed; the first
    // failure is raised at the end.
    FirstFailure failures;
    for (CatalogueId id : kFileOrder) {
        WithCatalogue(id, [&](auto& catalogue, const std::string& path, const std::string&) {
            failures.Run([&] { Load(catalogue, path); });
        });
    }
    DeleteUnnamed(TempDir, RecentTextCatalogue, RecentBitmapCatalogue);
    DeleteUnnamed(StashDir, SavedTextCatalogue, SavedBitmapCatalogue);
    failures.Raise();
}

void SaveCatalogue(CatalogueId id, const ContentLanding& landing)
{
    if (!FoldersSet()) {
        Landing(&landing).Run();
        return;
    }
    WithCatalogue(id, [&landing](auto& catalogue, const std::string& path, const std::string& folder) {
        try {
            Write(catalogue, path, folder, Landing(&landing));
        } catch (const IoError& e) {
            if (catalogue.WriteFailureSeen)
                return;
            // Told again at every failure until the user has seen it once.
            IoError told = e;
            told.OnSeen([&catalogue, streak = catalogue.WriteFailure] {
                if (catalogue.WriteFailure == streak)
                    catalogue.WriteFailureSeen = true;
            });
            throw told;
        }
    });
}

void SaveCatalogues()
{
    if (!FoldersSet())
        return;
    // Every catalogue whose latest state is not on disk, with the reason,
    // seen before or not: the run ends, and these clips with it.
    std::string unkept;
    for (CatalogueId id : kFileOrder) {
        WithCatalogue(id, [&](auto& catalogue, const std::string& path, const std::string& folder) {
            std::string reason;
            try {
                Write(catalogue, path, folder);
            } catch (const IoError& e) {
                reason = e.what();
            }
            if (HoldsUnkeptClips(catalogue))
                reason = "it could not be read";
            if (!reason.empty())
                unkept += (unkept.empty() ? "" : " and ") + path + " (" + reason + ")";
        });
    }
    if (!unkept.empty())
        throw ui::AppError(ui::Format("The clips of this run could not be kept in %s", unkept));
}

bool IsContentFileName(std::string_view fileName, std::string_view ext)
{
    // ASCII only: a locale's case rules have no say in a file name's form.
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    const auto same = [&](std::string_view a, std::string_view b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(), [&](char x, char y) { return lower(x) == lower(y); });
    };
    if (fileName.size() != 8 + ext.size() || !same(fileName.substr(0, 4), "clip") || !same(fileName.substr(8), ext))
        return false;
    return std::all_of(fileName.begin() + 4, fileName.begin() + 8, [&](char c) {
        return (c >= '0' && c <= '9') || (lower(c) >= 'a' && lower(c) <= 'f');
    });
}

bool IsBareFileName(std::string_view fileName)
{
    if (fileName.empty() || fileName.back() == '.' || fileName.back() == ' ')
        return false;
    for (char c : fileName) {
        if (static_cast<unsigned char>(c) < 32 || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos)
            return false;
    }
    return !IsDeviceName(fileName);
}

std::string ContentFilePath(const std::string& folder, std::string_view fileName)
{
    if (folder.empty() || !IsBareFileName(fileName))
        return {};
    return folder + std::string(fileName);
}

std::string ContentFilePath(const std::string& folder, const TextClipEntry& entry)
{
    return ContentFilePath(folder, entry.FileName.Text());
}

std::string ContentFilePath(const std::string& folder, const BitmapClipEntry& entry)
{
    return ContentFilePath(folder, entry.FileName.Text());
}

bool FileExists(const std::string& path)
{
    const auto attributes = FindAttributes(path);
    return attributes && !(*attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace store
