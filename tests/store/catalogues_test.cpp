#include "StoreTestSupport.h"

#include "store/IoError.h"
#include "store/StoreFiles.h"

#include <cstring>
#include <vector>

using namespace store;
using namespace storetest;

namespace {

std::string ClipName(int n)
{
    char name[16];
    wsprintfA(name, "clip%04X.txt", n);
    return name;
}

// Adds recent text clips 1..n, each with a content file holding its number.
void AddTextClips(int n)
{
    for (int i = 1; i <= n; ++i) {
        WriteBytes(TempDir + ClipName(i), std::to_string(i));
        AddTextClip("text " + std::to_string(i), ClipName(i));
    }
}

std::vector<std::string> FileNames(const TextCatalogue& catalogue)
{
    std::vector<std::string> names;
    for (int i = 1; i <= catalogue.Count; ++i)
        names.push_back(catalogue.Entries[i].FileName.Text());
    return names;
}

// The entry slots' image (the catalogue's own padding is not compared).
template <class Entry>
std::string SlotBytes(const Catalogue<Entry>& catalogue)
{
    return Bytes(&catalogue.Entries, sizeof catalogue.Entries);
}

template <class Entry>
bool SlotIsZero(const Catalogue<Entry>& catalogue, int slot)
{
    return Bytes(catalogue.Entries[slot]) == std::string(sizeof(Entry), '\0');
}

// The names in a text catalogue file whose content file is not in folder:
// what a kill at this moment would leave pointing nowhere.
std::vector<std::string> NamedButMissing(const std::string& catalogueFile, const std::string& folder)
{
    const std::string bytes = ReadBytes(catalogueFile).value_or("");
    std::vector<std::string> missing;
    for (std::size_t at = 0; at + sizeof(TextClipEntry) <= bytes.size(); at += sizeof(TextClipEntry)) {
        TextClipEntry record;
        std::memcpy(&record, bytes.data() + at, sizeof record);
        if (!FileExists(folder + record.FileName.Text()))
            missing.push_back(record.FileName.Text());
    }
    return missing;
}

std::vector<std::string> Names(int from, int to)
{
    std::vector<std::string> names;
    for (int i = from; i <= to; ++i)
        names.push_back(ClipName(i));
    return names;
}

} // namespace

using CatalogueTest = StoreTest;

TEST(CataloguePreview, ReplacesControlCharactersOnly)
{
    EXPECT_EQ(MakePreview(""), "");
    EXPECT_EQ(MakePreview("a\tb\r\n"), "a.b..");
    std::string all;
    for (int c = 0; c < 256; ++c)
        all += static_cast<char>(c);
    const std::string preview = MakePreview(all);
    ASSERT_EQ(preview.size(), 256u);
    EXPECT_EQ(preview.substr(0, 32), std::string(32, '.'));
    EXPECT_EQ(preview.substr(32), all.substr(32));
}

TEST_F(CatalogueTest, AddTextClipFillsTheNewestSlot)
{
    AddTextClip("a\tb\r\n", "clip0001.txt");
    AddTextClip(std::string("x") + static_cast<char>(200), "clip0002.txt");
    AddTextClip("", "a-name-longer-than-twelve.txt");
    AddTextClip(std::string(60, 'z'), "clip0004.txt");

    ASSERT_EQ(RecentTextCatalogue.Count, 4);
    const TextClipEntry& first = RecentTextCatalogue.Entries[1];
    EXPECT_EQ(first.Preview.Text(), "a.b..");
    EXPECT_EQ(first.FileName.Text(), "clip0001.txt");
    EXPECT_EQ(first.Captured, 45000.25);
    // Everything but the strings and the time is zero in a new entry.
    TextClipEntry expected = TextEntry("a.b..", "clip0001.txt", 45000.25);
    EXPECT_EQ(Bytes(first), Bytes(expected));

    EXPECT_EQ(RecentTextCatalogue.Entries[2].Preview.Text(), std::string("x") + static_cast<char>(200));
    EXPECT_EQ(RecentTextCatalogue.Entries[3].Preview.Length, 0);
    EXPECT_EQ(RecentTextCatalogue.Entries[3].FileName.Text(), "a-name-longe");
    EXPECT_EQ(RecentTextCatalogue.Entries[4].Preview.Text(), std::string(50, 'z'));
    EXPECT_TRUE(SlotIsZero(RecentTextCatalogue, 5));
    EXPECT_EQ(SavedTextCatalogue.Count, 0);
}

TEST_F(CatalogueTest, EleventhClipDropsTheOldestWithItsFileAndEveryChangeIsWrittenAtOnce)
{
    AddTextClips(11);
    EXPECT_EQ(RecentTextCatalogue.Count, 10);
    EXPECT_EQ(FileNames(RecentTextCatalogue), Names(2, 11));
    EXPECT_EQ(RecentTextCatalogue.Entries[1].Preview.Text(), "text 2");
    EXPECT_FALSE(FileExists(TempDir + ClipName(1)));
    EXPECT_TRUE(FileExists(TempDir + ClipName(2)));
    // The file holds what memory holds, and only the changed catalogue was written.
    EXPECT_EQ(ReadBytes(TempDir + "txtclips.dat"), Bytes(&RecentTextCatalogue.Entries[1], 10 * sizeof(TextClipEntry)));
    for (const char* untouched : {"stash\\txtsaved.dat", "temp\\bmpclips.dat", "stash\\bmpsaved.dat"})
        EXPECT_FALSE(Exists(ProgramDir + untouched)) << untouched;
    RemoveRecentText(10);
    EXPECT_EQ(ReadBytes(TempDir + "txtclips.dat")->size(), 9 * sizeof(TextClipEntry));
    EXPECT_EQ(StrayTempFile(TempDir), std::nullopt);
}

TEST_F(CatalogueTest, AddBitmapClipFillsTheNewestSlot)
{
    for (int i = 1; i <= 12; ++i)
        AddBitmapClip("clip" + std::to_string(1000 + i) + ".bmp");
    AddBitmapClip("an-over-long-name.bmp");
    ASSERT_EQ(RecentBitmapCatalogue.Count, 10);
    EXPECT_EQ(RecentBitmapCatalogue.Entries[1].FileName.Text(), "clip1004.bmp");
    EXPECT_EQ(Bytes(RecentBitmapCatalogue.Entries[10]), Bytes(BitmapEntry("an-over-long", 45000.25)));
}

TEST_F(CatalogueTest, RemoveFirstMiddleAndLast)
{
    AddTextClips(5);
    EXPECT_TRUE(RemoveRecentText(1));
    EXPECT_FALSE(FileExists(TempDir + ClipName(1)));
    EXPECT_EQ(FileNames(RecentTextCatalogue), (std::vector<std::string>{ClipName(2), ClipName(3), ClipName(4), ClipName(5)}));
    EXPECT_TRUE(SlotIsZero(RecentTextCatalogue, 5));

    EXPECT_TRUE(RemoveRecentText(2)); // clip 3
    EXPECT_EQ(FileNames(RecentTextCatalogue), (std::vector<std::string>{ClipName(2), ClipName(4), ClipName(5)}));

    const std::string before = Bytes(RecentTextCatalogue.Entries[2]);
    EXPECT_TRUE(RemoveRecentText(3)); // the newest
    EXPECT_EQ(Bytes(RecentTextCatalogue.Entries[2]), before);
    EXPECT_EQ(RecentTextCatalogue.Count, 2);
    EXPECT_TRUE(SlotIsZero(RecentTextCatalogue, 3));
    EXPECT_TRUE(FileExists(TempDir + ClipName(2)));
    EXPECT_TRUE(FileExists(TempDir + ClipName(4)));
}

TEST_F(CatalogueTest, RemoveWithTheFileGoneStillRemovesTheEntry)
{
    AddTextClips(2);
    DeleteFileA((TempDir + ClipName(1)).c_str());
    EXPECT_FALSE(RemoveRecentText(1));
    EXPECT_EQ(FileNames(RecentTextCatalogue), std::vector<std::string>{ClipName(2)});
}

TEST_F(CatalogueTest, RemoveOutsideTheLiveEntriesChangesNothing)
{
    AddTextClips(2);
    for (int index : {0, -1, 3, 11, 1000})
        EXPECT_FALSE(RemoveRecentText(index)) << index;
    EXPECT_EQ(FileNames(RecentTextCatalogue), Names(1, 2));
    StashText(3);
    StashBitmap(1);
    EXPECT_EQ(SavedTextCatalogue.Count, 0);
    EXPECT_EQ(SavedBitmapCatalogue.Count, 0);
}

TEST_F(CatalogueTest, RemoveUsesTheCataloguesFolder)
{
    WriteBytes(TempDir + "clip0001.bmp", "recent");
    WriteBytes(StashDir + "clip0001.bmp", "saved");
    AddBitmapClip("clip0001.bmp");
    StashBitmap(1);

    EXPECT_TRUE(RemoveSavedBitmap(1));
    EXPECT_FALSE(FileExists(StashDir + "clip0001.bmp"));
    EXPECT_EQ(ReadBytes(TempDir + "clip0001.bmp"), "recent");
    EXPECT_EQ(SavedBitmapCatalogue.Count, 0);

    EXPECT_TRUE(RemoveRecentBitmap(1));
    EXPECT_FALSE(FileExists(TempDir + "clip0001.bmp"));
    EXPECT_EQ(RecentBitmapCatalogue.Count, 0);
}

TEST_F(CatalogueTest, StashCopiesEntryAndFile)
{
    AddTextClips(3);
    RecentTextCatalogue.Entries[2].Reserved[5] = 0x55; // as a file could hold
    const std::string recentBefore = SlotBytes(RecentTextCatalogue);
    clock_ += 1.5;

    StashText(2);

    EXPECT_EQ(SlotBytes(RecentTextCatalogue), recentBefore);
    EXPECT_EQ(RecentTextCatalogue.Count, 3);
    ASSERT_EQ(SavedTextCatalogue.Count, 1);
    // A new entry: the stash time, and zero where nothing is written.
    EXPECT_EQ(Bytes(SavedTextCatalogue.Entries[1]), Bytes(TextEntry("text 2", ClipName(2), 45001.75)));
    EXPECT_GE(SavedTextCatalogue.Entries[1].Captured, RecentTextCatalogue.Entries[2].Captured);
    EXPECT_EQ(ReadBytes(StashDir + ClipName(2)), "2");
    EXPECT_TRUE(FileExists(TempDir + ClipName(2)));
}

TEST_F(CatalogueTest, StashIntoAFullSavedCatalogue)
{
    AddTextClips(10);
    for (int i = 1; i <= 10; ++i)
        StashText(i);
    WriteBytes(TempDir + "extra.txt", "extra");
    AddTextClip("extra", "extra.txt");

    StashText(10);

    EXPECT_EQ(SavedTextCatalogue.Count, 10);
    EXPECT_EQ(SavedTextCatalogue.Entries[1].FileName.Text(), ClipName(2));
    EXPECT_EQ(SavedTextCatalogue.Entries[10].FileName.Text(), "extra.txt");
    // The dropped saved clip's stash copy goes.
    EXPECT_FALSE(FileExists(StashDir + ClipName(1)));
    EXPECT_TRUE(FileExists(StashDir + ClipName(2)));
    EXPECT_EQ(ReadBytes(StashDir + "txtsaved.dat")->size(), 10 * sizeof(TextClipEntry));

    // Clip 2 again: its older saved entry drops out, its file stays for the new one.
    ASSERT_EQ(RecentTextCatalogue.Entries[1].FileName.Text(), ClipName(2));
    StashText(1);
    EXPECT_EQ(SavedTextCatalogue.Entries[10].FileName.Text(), ClipName(2));
    EXPECT_EQ(SavedTextCatalogue.Entries[1].FileName.Text(), ClipName(3));
    EXPECT_TRUE(FileExists(StashDir + ClipName(2)));
}

TEST_F(CatalogueTest, StashTwiceSharesOneFile)
{
    AddTextClips(1);
    StashText(1);
    WriteBytes(TempDir + ClipName(1), "changed");
    StashText(1);

    ASSERT_EQ(SavedTextCatalogue.Count, 2);
    EXPECT_EQ(SavedTextCatalogue.Entries[1].FileName.Text(), SavedTextCatalogue.Entries[2].FileName.Text());
    EXPECT_EQ(ReadBytes(StashDir + ClipName(1)), "changed");
    // The file stays while another entry names it.
    EXPECT_FALSE(RemoveSavedText(2));
    EXPECT_EQ(ReadBytes(StashDir + ClipName(1)), "changed");
    EXPECT_TRUE(RemoveSavedText(1));
    EXPECT_FALSE(FileExists(StashDir + ClipName(1)));
}

TEST_F(CatalogueTest, StashWithoutItsFileStillAddsTheEntry)
{
    AddBitmapClip("clip0009.bmp"); // no content file written
    StashBitmap(1);
    ASSERT_EQ(SavedBitmapCatalogue.Count, 1);
    EXPECT_EQ(Bytes(SavedBitmapCatalogue.Entries[1]), Bytes(BitmapEntry("clip0009.bmp", 45000.25)));
    EXPECT_FALSE(FileExists(StashDir + "clip0009.bmp"));

    // Nor does a missing stash folder keep the entry out.
    WriteBytes(TempDir + "clip000A.bmp", "bits");
    AddBitmapClip("clip000A.bmp");
    DeleteTree(StashDir);
    EXPECT_THROW(StashBitmap(2), IoError); // its catalogue file cannot be written there either
    EXPECT_EQ(SavedBitmapCatalogue.Count, 2);
}

TEST_F(CatalogueTest, StashCutsOverLongLengthBytes)
{
    // A damaged record: length bytes beyond their fields.
    TextClipEntry damaged = TextEntry("", "");
    std::memset(damaged.Preview.Chars, 'p', PreviewCapacity);
    std::memset(damaged.FileName.Chars, 'f', FileNameCapacity);
    damaged.Preview.Length = 51;
    damaged.FileName.Length = 255;
    RecentTextCatalogue.Entries[1] = damaged;
    RecentTextCatalogue.Count = 1;

    StashText(1);

    EXPECT_EQ(SavedTextCatalogue.Entries[1].Preview.Length, 50);
    EXPECT_EQ(SavedTextCatalogue.Entries[1].Preview.Text(), std::string(50, 'p'));
    EXPECT_EQ(SavedTextCatalogue.Entries[1].FileName.Length, 12);
    EXPECT_EQ(SavedTextCatalogue.Entries[1].FileName.Text(), std::string(12, 'f'));
}

TEST_F(CatalogueTest, AContentFileGoesOnlyOnceNoCatalogueOnDiskNamesIt)
{
    AddTextClips(10);
    const std::string recent = TempDir + "txtclips.dat";
    EXPECT_TRUE(RemoveRecentText(1));
    WriteBytes(TempDir + ClipName(11), "11");
    WriteBytes(TempDir + ClipName(12), "12");
    AddTextClip("text 11", ClipName(11));
    // A new clip's content is brought to the disk once, before the file names it.
    int landed = 0;
    AddTextClip("text 12", ClipName(12), [&] {
        ++landed;
        EXPECT_EQ(ReadBytes(recent).value_or("").find(ClipName(12)), std::string::npos);
    });
    EXPECT_EQ(landed, 1);
    EXPECT_NE(ReadBytes(recent).value_or("").find(ClipName(12)), std::string::npos);
    EXPECT_FALSE(FileExists(TempDir + ClipName(1)));
    EXPECT_FALSE(FileExists(TempDir + ClipName(2)));
    EXPECT_EQ(NamedButMissing(recent, TempDir), std::vector<std::string>{});

    // One that cannot be kept adds nothing: memory and file stay as they
    // were, the oldest keeps its file through later writes, nobody hears.
    {
        const std::string slots = SlotBytes(RecentTextCatalogue);
        const auto file = ReadBytes(recent);
        int heard = 0;
        Subscription listening([&](CatalogueId) { ++heard; });
        WriteBytes(TempDir + ClipName(14), "14");
        EXPECT_THROW(AddTextClip("text 14", ClipName(14), [] { throw ContentNotKept("not kept"); }),
                     ContentNotKept);
        EXPECT_EQ(SlotBytes(RecentTextCatalogue), slots);
        EXPECT_EQ(ReadBytes(recent), file);
        EXPECT_EQ(StrayTempFile(TempDir), std::nullopt);
        SaveCatalogue(CatalogueId::RecentText);
        EXPECT_TRUE(FileExists(TempDir + ClipName(3)));
        EXPECT_EQ(heard, 0);
    }

    // A write that fails keeps the file its entry still names on disk, until
    // a later write lands.
    {
        ReadOnlyFile readOnly(recent);
        ASSERT_TRUE(readOnly.Active());
        EXPECT_THROW(RemoveRecentText(1), IoError);
        EXPECT_TRUE(FileExists(TempDir + ClipName(3)));
        EXPECT_EQ(NamedButMissing(recent, TempDir), std::vector<std::string>{});
        // Its entry stays for a later write: the content lands all the same.
        landed = 0;
        EXPECT_THROW(AddTextClip("text 14", ClipName(14), [&] { ++landed; }), IoError);
        EXPECT_EQ(landed, 1);
    }
    WriteBytes(TempDir + ClipName(13), "13");
    AddTextClip("text 13", ClipName(13));
    EXPECT_FALSE(FileExists(TempDir + ClipName(3)));

    // The same for a saved clip dropped by a stash.
    for (int i = 1; i <= 10; ++i)
        StashText(i);
    const std::string saved = StashDir + "txtsaved.dat";
    const std::string oldest = SavedTextCatalogue.Entries[1].FileName.Text();
    {
        ReadOnlyFile readOnly(saved);
        ASSERT_TRUE(readOnly.Active());
        EXPECT_THROW(StashText(10), IoError);
        EXPECT_TRUE(FileExists(StashDir + oldest));
    }
    EXPECT_EQ(NamedButMissing(saved, StashDir), std::vector<std::string>{});
}

TEST(CatalogueFiles, OnlyAContentFileOfItsOwnKindIsEverDeleted)
{
    for (const char* name : {"clip014A.txt", "CLIP00ff.TXT", "Clip9aB0.tXt"})
        EXPECT_TRUE(IsContentFileName(name, ".txt")) << name;
    for (const char* name : {"clip014A.bmp", "clip014.txt", "clip0140A.txt", "clip014G.txt", "clip 14A.txt",
                             "txtclips.dat", "bmpclips.dat", "clip014A.txt ", "xclip014A.txt", "", "clip-14A.txt"})
        EXPECT_FALSE(IsContentFileName(name, ".txt")) << name;
    EXPECT_TRUE(IsContentFileName("clip0001.BMP", ".bmp"));
    EXPECT_FALSE(IsContentFileName("clip0001.txt", ".bmp"));
}

TEST_F(CatalogueTest, ARecordNamingAnotherCataloguesFileLeavesWithoutIt)
{
    const std::string others[] = {"bmpclips.dat", "clip0001.bmp", "notes.txt"};
    for (const std::string& name : others) {
        WriteBytes(TempDir + name, "not ours");
        AddTextClip("odd", name);
    }
    WriteBytes(TempDir + "clip00aF.TXT", "ours");
    AddTextClip("ours", "clip00aF.TXT");
    EXPECT_EQ(ReadBytes(TempDir + ClipName(0xAF)), "ours"); // listed and read as ever
    EXPECT_TRUE(RemoveRecentText(4));
    EXPECT_FALSE(RemoveRecentText(1));
    EXPECT_FALSE(RemoveRecentText(1));
    AddTextClips(11); // the last odd entry drops out
    for (const std::string& name : others)
        EXPECT_EQ(ReadBytes(TempDir + name), "not ours") << name;
    EXPECT_FALSE(FileExists(TempDir + "clip00aF.TXT"));
}
