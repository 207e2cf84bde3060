#include "store/Catalogues.h"

#include "store/DateTime.h"
#include "store/StoreFiles.h"
#include "ui/Files.h"
#include "ui/Handles.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <exception>
#include <utility>

namespace store {

TextCatalogue RecentTextCatalogue;
TextCatalogue SavedTextCatalogue;
BitmapCatalogue RecentBitmapCatalogue;
BitmapCatalogue SavedBitmapCatalogue;

namespace {

std::uint64_t changeCount = 0;

struct Subscriber {
    std::uint64_t id;
    ChangeHandler handler;
};
std::vector<Subscriber> subscribers;
std::uint64_t lastSubscriber = 0;

void CatalogueChanged(CatalogueId id, const ContentLanding& landing = {});

template <class Entry>
bool IsLive(const Catalogue<Entry>& catalogue, int index) noexcept
{
    return index >= 1 && index <= catalogue.Count;
}

// Appends entry as the newest; a full catalogue's oldest entry leaves.
template <class Entry>
void AppendNewest(Catalogue<Entry>& catalogue, const Entry& entry)
{
    if (catalogue.Count >= CatalogueCapacity)
        catalogue.Leaving.push_back(catalogue.Entries[1].FileName.Text());
    Append(catalogue) = entry;
}

template <class Entry>
bool Remove(Catalogue<Entry>& catalogue, CatalogueId id, int index, const std::string& folder)
{
    if (!IsLive(catalogue, index))
        return false;
    const std::string name = catalogue.Entries[index].FileName.Text();
    const std::string path = ContentFilePath(folder, name);
    const bool there = !path.empty() && FileExists(path);
    CloseGap(catalogue, index);
    --catalogue.Count;
    catalogue.Leaving.push_back(name);
    CatalogueChanged(id);
    return there && !FileExists(path);
}

// Copies the content file of a recent entry into StashDir under the same name,
// onto the disk before the saved catalogue names it.
template <class Entry>
void CopyToStash(const Entry& entry)
{
    const std::string from = ContentFilePath(TempDir, entry);
    const std::string to = ContentFilePath(StashDir, entry);
    if (from.empty() || to.empty() || !CopyFileA(from.c_str(), to.c_str(), FALSE))
        return;
    ui::FileHandle copy(CreateFileA(to.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (copy)
        ui::FlushToDisk(copy.get());
}

template <class Entry>
void Reset(Catalogue<Entry>& catalogue) noexcept
{
    catalogue = Catalogue<Entry>{};
    catalogue.Stamp = NextStamp();
}

// Writes a changed catalogue and then announces the change.
void WriteAndAnnounce(CatalogueId id, const ContentLanding& landing)
{
    // The change is on disk before anyone hears of it; a failure to write is
    // raised after everyone has. A clip whose content was not kept is no
    // change: its adder puts the catalogue back.
    std::exception_ptr failure;
    try {
        SaveCatalogue(id, landing);
    } catch (const ContentNotKept&) {
        throw;
    } catch (...) {
        failure = std::current_exception();
    }
    // By index: a handler may subscribe or unsubscribe. Each one hears of
    // the change even when an earlier one failed.
    for (std::size_t i = 0; i < subscribers.size(); ++i) {
        ChangeHandler handler = subscribers[i].handler;
        try {
            handler(id);
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    if (failure)
        std::rethrow_exception(failure);
}

// The view of the catalogue is out of date at once; its file and its
// listeners follow.
void CatalogueChanged(CatalogueId id, const ContentLanding& landing)
{
    switch (id) {
    case CatalogueId::RecentText: RecentTextCatalogue.Stamp = NextStamp(); break;
    case CatalogueId::SavedText: SavedTextCatalogue.Stamp = NextStamp(); break;
    case CatalogueId::RecentBitmap: RecentBitmapCatalogue.Stamp = NextStamp(); break;
    case CatalogueId::SavedBitmap: SavedBitmapCatalogue.Stamp = NextStamp(); break;
    }
    WriteAndAnnounce(id, landing);
}

template <class Entry>
void AddClip(Catalogue<Entry>& catalogue, CatalogueId id, const Entry& entry, const ContentLanding& landing)
{
    Catalogue<Entry> before = catalogue;
    AppendNewest(catalogue, entry);
    try {
        CatalogueChanged(id, landing);
    } catch (const ContentNotKept&) {
        catalogue = std::move(before);
        throw;
    }
}

} // namespace

bool SameFileName(const std::string& a, const std::string& b) noexcept
{
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

std::string MakePreview(std::string_view text)
{
    std::string preview(text);
    for (char& c : preview) {
        if (static_cast<unsigned char>(c) < 32)
            c = '.';
    }
    return preview;
}

void AddTextClip(std::string_view text, std::string_view fileName, const ContentLanding& landing)
{
    TextClipEntry entry{};
    entry.Preview.Assign(MakePreview(text.substr(0, PreviewCapacity)));
    entry.FileName.Assign(fileName);
    entry.Captured = Now();
    AddClip(RecentTextCatalogue, CatalogueId::RecentText, entry, landing);
}

void AddBitmapClip(std::string_view fileName, const ContentLanding& landing)
{
    BitmapClipEntry entry{};
    entry.FileName.Assign(fileName);
    entry.Captured = Now();
    AddClip(RecentBitmapCatalogue, CatalogueId::RecentBitmap, entry, landing);
}

bool RemoveRecentText(int index)
{
    return Remove(RecentTextCatalogue, CatalogueId::RecentText, index, TempDir);
}

bool RemoveSavedText(int index)
{
    return Remove(SavedTextCatalogue, CatalogueId::SavedText, index, StashDir);
}

bool RemoveRecentBitmap(int index)
{
    return Remove(RecentBitmapCatalogue, CatalogueId::RecentBitmap, index, TempDir);
}

bool RemoveSavedBitmap(int index)
{
    return Remove(SavedBitmapCatalogue, CatalogueId::SavedBitmap, index, StashDir);
}

void StashText(int index)
{
    if (!IsLive(RecentTextCatalogue, index))
        return;
    const TextClipEntry& source = RecentTextCatalogue.Entries[index];
    TextClipEntry entry{};
    entry.Preview.Assign(source.Preview.Text());
    entry.FileName.Assign(source.FileName.Text());
    entry.Captured = Now();
    CopyToStash(source);
    AppendNewest(SavedTextCatalogue, entry);
    CatalogueChanged(CatalogueId::SavedText);
}

void StashBitmap(int index)
{
    if (!IsLive(RecentBitmapCatalogue, index))
        return;
    const BitmapClipEntry& source = RecentBitmapCatalogue.Entries[index];
    BitmapClipEntry entry{};
    entry.FileName.Assign(source.FileName.Text());
    entry.Captured = Now();
    CopyToStash(source);
    AppendNewest(SavedBitmapCatalogue, entry);
    CatalogueChanged(CatalogueId::SavedBitmap);
}

void ResetCatalogues() noexcept
{
    Reset(RecentTextCatalogue);
    Reset(SavedTextCatalogue);
    Reset(RecentBitmapCatalogue);
    Reset(SavedBitmapCatalogue);
}

std::uint64_t NextStamp() noexcept
{
    return ++changeCount;
}

std::uint64_t StampOf(CatalogueId id) noexcept
{
    switch (id) {
    case CatalogueId::RecentText: return RecentTextCatalogue.Stamp;
    case CatalogueId::SavedText: return SavedTextCatalogue.Stamp;
    case CatalogueId::RecentBitmap: return RecentBitmapCatalogue.Stamp;
    case CatalogueId::SavedBitmap: return SavedBitmapCatalogue.Stamp;
    }
    return 0;
}

Subscription::Subscription(ChangeHandler handler) : id_(++lastSubscriber)
{
    subscribers.push_back({id_, std::move(handler)});
}

Subscription::~Subscription()
{
    std::erase_if(subscribers, [this](const Subscriber& s) { return s.id == id_; });
}

Subscription::Subscription(Subscription&& other) noexcept : id_(std::exchange(other.id_, 0)) {}

Subscription& Subscription::operator=(Subscription&& other) noexcept
{
    if (this != &other) {
        std::erase_if(subscribers, [this](const Subscriber& s) { return s.id == id_; });
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

} // namespace store
