#include "store/Catalogues.h"

#include "store/DateTime.h"
#include "store/StoreFiles.h"

#include <windows.h>

namespace store {

TextCatalogue RecentTextCatalogue;
TextCatalogue SavedTextCatalogue;
BitmapCatalogue RecentBitmapCatalogue;
BitmapCatalogue SavedBitmapCatalogue;

namespace {

template <class Entry>
bool IsLive(const Catalogue<Entry>& catalogue, int index) noexcept
{
    return index >= 1 && index <= catalogue.Count;
}

template <class Entry>
bool Remove(Catalogue<Entry>& catalogue, int index, const std::string& folder)
{
    if (!IsLive(catalogue, index))
        return false;
    const std::string path = ContentFilePath(folder, catalogue.Entries[index]);
    const bool deleted = !path.empty() && DeleteFileA(path.c_str());
    CloseGap(catalogue, index);
    --catalogue.Count;
    return deleted;
}

// Copies the content file of a recent entry into StashDir under the same name.
template <class Entry>
void CopyToStash(const Entry& entry)
{
    const std::string from = ContentFilePath(TempDir, entry);
    const std::string to = ContentFilePath(StashDir, entry);
    if (!from.empty() && !to.empty())
        CopyFileA(from.c_str(), to.c_str(), FALSE);
}

template <class Entry>
void Reset(Catalogue<Entry>& catalogue) noexcept
{
    catalogue = Catalogue<Entry>{};
}

} // namespace

std::string MakePreview(std::string_view text)
{
    std::string preview(text);
    for (char& c : preview) {
        if (static_cast<unsigned char>(c) < 32)
            c = '.';
    }
    return preview;
}

void AddTextClip(std::string_view text, std::string_view fileName)
{
    TextClipEntry& entry = Append(RecentTextCatalogue);
    entry.Preview.Assign(MakePreview(text.substr(0, PreviewCapacity)));
    entry.FileName.Assign(fileName);
    entry.Captured = Now();
}

void AddBitmapClip(std::string_view fileName)
{
    BitmapClipEntry& entry = Append(RecentBitmapCatalogue);
    entry.FileName.Assign(fileName);
    entry.Captured = Now();
}

bool RemoveRecentText(int index)
{
    return Remove(RecentTextCatalogue, index, TempDir);
}

bool RemoveSavedText(int index)
{
    return Remove(SavedTextCatalogue, index, StashDir);
}

bool RemoveRecentBitmap(int index)
{
    return Remove(RecentBitmapCatalogue, index, TempDir);
}

bool RemoveSavedBitmap(int index)
{
    return Remove(SavedBitmapCatalogue, index, StashDir);
}

void StashText(int index)
{
    if (!IsLive(RecentTextCatalogue, index))
        return;
    const TextClipEntry& source = RecentTextCatalogue.Entries[index];
    TextClipEntry& entry = Append(SavedTextCatalogue);
    entry.Preview.Assign(source.Preview.Text());
    entry.FileName.Assign(source.FileName.Text());
    entry.Captured = Now();
    CopyToStash(source);
}

void StashBitmap(int index)
{
    if (!IsLive(RecentBitmapCatalogue, index))
        return;
    const BitmapClipEntry& source = RecentBitmapCatalogue.Entries[index];
    BitmapClipEntry& entry = Append(SavedBitmapCatalogue);
    entry.FileName.Assign(source.FileName.Text());
    entry.Captured = Now();
    CopyToStash(source);
}

void ResetCatalogues() noexcept
{
    Reset(RecentTextCatalogue);
    Reset(SavedTextCatalogue);
    Reset(RecentBitmapCatalogue);
    Reset(SavedBitmapCatalogue);
}

} // namespace store
