#include "store/StoreFiles.h"

#include "store/Catalogues.h"
#include "store/IoError.h"
#include "ui/Handles.h"

#include <windows.h>

#include <optional>

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

template <class Entry>
void Load(Catalogue<Entry>& catalogue, const std::string& path)
{
    catalogue = Catalogue<Entry>{};
    const auto attributes = FindAttributes(path);
    if (!attributes || (*attributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    try {
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
            catalogue.Entries[slot] = record;
            catalogue.Count = slot;
        }
        CloseCatalogueFile(file);
    } catch (const IoError&) {
        catalogue.LoadFailed = true;
        throw;
    }
}

// Writes a new file beside the old one and moves it over, so the old file
// stays whole until the new one is complete.
template <class Entry>
void Save(const Catalogue<Entry>& catalogue, const std::string& path)
{
    if (catalogue.LoadFailed)
        return;
    const std::string fresh = path + ".new";
    try {
        ui::FileHandle file = OpenCatalogueFile(fresh, CREATE_ALWAYS);
        for (int slot = 1; slot <= catalogue.Count; ++slot) {
            DWORD written = 0;
            if (!WriteFile(file.get(), &catalogue.Entries[slot], sizeof(Entry), &written, nullptr))
                ThrowLastIoError();
            if (written != sizeof(Entry))
                throw IoError(ShortWriteCode);
        }
        if (!FlushFileBuffers(file.get()))
            ThrowLastIoError();
        CloseCatalogueFile(file);
        if (!MoveFileExA(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            ThrowLastIoError();
    } catch (const IoError&) {
        DeleteFileA(fresh.c_str());
        throw;
    }
}

// Runs step on every catalogue and its file, in file order; each runs even when
// an earlier one failed, and the first failure is raised at the end.
template <class Step>
void ForEachCatalogueFile(Step step)
{
    // Before InitStoreFolders (a start that failed early) the names would be
    // relative: files in whatever folder is current.
    if (TempDir.empty() || StashDir.empty())
        return;
    FirstFailure failures;
    failures.Run([&] { step(RecentTextCatalogue, TempDir + "txtclips.dat"); });
    failures.Run([&] { step(SavedTextCatalogue, StashDir + "txtsaved.dat"); });
    failures.Run([&] { step(RecentBitmapCatalogue, TempDir + "bmpclips.dat"); });
    failures.Run([&] { step(SavedBitmapCatalogue, StashDir + "bmpsaved.dat"); });
    failures.Raise();
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

void LoadCatalogues()
{
    ForEachCatalogueFile([](auto& catalogue, const std::string& path) { Load(catalogue, path); });
}

void SaveCatalogues()
{
    ForEachCatalogueFile([](const auto& catalogue, const std::string& path) { Save(catalogue, path); });
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
