// The four clip catalogues and the operations that change them.
#pragma once

#include "store/ClipEntry.h"
#include "ui/Errors.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

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

enum class CatalogueId { RecentText, SavedText, RecentBitmap, SavedBitmap };

// Live entries are slots 1..Count, oldest first; every slot above Count is zero.
template <class Entry>
struct Catalogue {
    Slots<Entry> Entries;
    std::int32_t Count = 0;
    // The store's change count at this catalogue's last change: a view made
    // from it is current while this stays the same.
    std::uint64_t Stamp = 0;
    // Set when the catalogue file could not be read at start. Memory then
    // holds only this run's entries, and the file is left as it is until it
    // can be read again and this run's entries added to it.
    bool LoadFailed = false;
    // Content files of entries that have left. Each is deleted once a file
    // that no longer names it has been written: a kill before then leaves a
    // file that no entry names, never an entry naming a missing file.
    std::vector<std::string> Leaving;
    // While the latest state is not on disk, the number of the failing
    // streak of writes; 0 once a write has worked.
    std::uint64_t WriteFailure = 0;
    // The user has seen a box telling of that streak: its later failures
    // are not raised again.
    bool WriteFailureSeen = false;
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
// Deleting the dropped entry's content file is the caller's business.
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

bool SameFileName(const std::string& a, const std::string& b) noexcept;

// Whether a live entry names fileName (file names ignore case).
template <class Entry>
bool NamesFile(const Catalogue<Entry>& catalogue, const std::string& fileName)
{
    for (int slot = 1; slot <= catalogue.Count; ++slot) {
        if (SameFileName(catalogue.Entries[slot].FileName.Text(), fileName))
            return true;
    }
    return false;
}

// Text with every byte below 32 replaced by "."; same length.
std::string MakePreview(std::string_view text);

// Every operation below that changes a catalogue writes its file at once
// (StoreFiles.h) and then announces the change. A write failure is raised as
// an IoError after the change, until the user has seen one of its streak
// (AppError::Seen).
//
// An entry that leaves (removed, or dropped from a full catalogue) takes its
// content file with it once its catalogue's file has been written without
// it, unless another entry names the file or the name is not one of the
// catalogue's own kind of content file (IsContentFileName).

// Brings a new clip's content file onto the disk, or throws ContentNotKept.
// Run once by the Add below when given, after the new catalogue file is
// written and before it replaces the old one: the two flushes then share
// much of one wait for the disk, and no catalogue names the file before.
using ContentLanding = std::function<void()>;

// The content file of a new clip cannot be kept: the clip is not added, its
// catalogue is as it was, and nobody hears of a change.
class ContentNotKept : public ui::AppError {
public:
    using ui::AppError::AppError;
};

// New newest recent entries for a content file already written to TempDir.
// Over-long arguments are cut to the fields.
void AddTextClip(std::string_view text, std::string_view fileName, const ContentLanding& landing = {});
void AddBitmapClip(std::string_view fileName, const ContentLanding& landing = {});

// Remove the entry; the result is whether its content file is gone by the
// time the call returns. Entries behind Index move down one slot. An Index
// outside 1..Count changes nothing and gives false.
bool RemoveRecentText(int index);
bool RemoveSavedText(int index);
bool RemoveRecentBitmap(int index);
bool RemoveSavedBitmap(int index);

// Append a copy of recent entry Index to the saved catalogue, stamped now, and
// copy its content file into StashDir (overwriting; failure ignored). An Index
// outside 1..Count does nothing.
void StashText(int index);
void StashBitmap(int index);

// Empties all four catalogues and clears their flags.
void ResetCatalogues() noexcept;

// The stamp of one catalogue, and a new stamp for a change (counting up).
std::uint64_t StampOf(CatalogueId id) noexcept;
std::uint64_t NextStamp() noexcept;

// Heard after every change of a catalogue, once its file has been written.
using ChangeHandler = std::function<void(CatalogueId changed)>;

// A handler subscribed for the object's lifetime.
class Subscription {
public:
    Subscription() = default;
    explicit Subscription(ChangeHandler handler);
    ~Subscription();
    Subscription(Subscription&& other) noexcept;
    Subscription& operator=(Subscription&& other) noexcept;

private:
    std::uint64_t id_ = 0;
};

} // namespace store
