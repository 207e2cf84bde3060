// The four clip catalogues and the operations that change them.
#pragma once

#include "store/ClipEntry.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace store {

// Entry slots numbered 1 to CatalogueCapacity. Contiguous, so the live entries
// are one run of file records.
template <class Entry>
class Slots {
public:
    Entry& operator[](int slot) noexcept { return items_[static_cast<std::size_t>(slot - 1)]; }
    const Entry& operator[](int slot) const noexcept { return items_[static_cast<std::size_t>(slot - 1)]; }

private:
    std::array<Entry, CatalogueCapacity> items_{};
};

// Live entries are slots 1..Count, oldest first; every slot above Count is zero.
template <class Entry>
struct Catalogue {
    Slots<Entry> Entries;
    std::int32_t Count = 0;
    // Set when the catalogue file could not be read at start: the file is then
    // left as it is at exit rather than overwritten with what memory holds.
    bool LoadFailed = false;
};

using TextCatalogue = Catalogue<TextClipEntry>;
using BitmapCatalogue = Catalogue<BitmapClipEntry>;

extern TextCatalogue RecentTextCatalogue;
extern TextCatalogue SavedTextCatalogue;
extern BitmapCatalogue RecentBitmapCatalogue;
extern BitmapCatalogue SavedBitmapCatalogue;

// Moves the entries above slot down one and zeroes slot 10; Count is left alone.
template <class Entry>
void CloseGap(Catalogue<Entry>& catalogue, int slot) noexcept
{
    for (; slot < CatalogueCapacity; ++slot)
        catalogue.Entries[slot] = catalogue.Entries[slot + 1];
    catalogue.Entries[CatalogueCapacity] = Entry{};
}

// Moves entries 2..10 down one slot and zeroes slot 10; Count is left alone.
// The dropped entry's content file stays where it is.
template <class Entry>
void DropOldest(Catalogue<Entry>& catalogue) noexcept
{
    CloseGap(catalogue, 1);
}

// Makes room for a new newest entry (dropping the oldest when full) and returns
// its slot, zeroed.
template <class Entry>
Entry& Append(Catalogue<Entry>& catalogue) noexcept
{
    if (catalogue.Count >= CatalogueCapacity) {
        DropOldest(catalogue);
        catalogue.Count = CatalogueCapacity;
    } else {
        ++catalogue.Count;
    }
    Entry& slot = catalogue.Entries[catalogue.Count];
    slot = Entry{};
    return slot;
}

// Text with every byte below 32 replaced by "."; same length.
std::string MakePreview(std::string_view text);

// New newest recent entries for a content file already written to TempDir.
// Over-long arguments are cut to the fields.
void AddTextClip(std::string_view text, std::string_view fileName);
void AddBitmapClip(std::string_view fileName);

// Delete the entry's content file and remove the entry whatever the deletion
// gave; the result is whether the file was deleted. Entries behind Index move
// down one slot. An Index outside 1..Count changes nothing and gives false.
bool RemoveRecentText(int index);
bool RemoveSavedText(int index);
bool RemoveRecentBitmap(int index);
bool RemoveSavedBitmap(int index);

// Append a copy of recent entry Index to the saved catalogue, stamped now, and
// copy its content file into StashDir (overwriting; failure ignored). An Index
// outside 1..Count does nothing.
void StashText(int index);
void StashBitmap(int index);

// Empties all four catalogues and clears their LoadFailed flags.
void ResetCatalogues() noexcept;

} // namespace store
