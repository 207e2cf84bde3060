#include "StoreTestSupport.h"

#include "store/IoError.h"
#include "store/StoreFiles.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <thread>
#include <utility>

using namespace store;
using namespace storetest;

namespace {

std::string RecentTextFile() { return TempDir + "txtclips.dat"; }
std::string SavedTextFile() { return StashDir + "txtsaved.dat"; }
std::string RecentBitmapFile() { return TempDir + "bmpclips.dat"; }
std::string SavedBitmapFile() { return StashDir + "bmpsaved.dat"; }

template <class Entry>
std::string CatalogueImage(const Catalogue<Entry>& catalogue)
{
    std::string bytes;
    for (int i = 1; i <= catalogue.Count; ++i)
        bytes += Bytes(catalogue.Entries[i]);
    return bytes;
}

// The IoError that f raises, if any.
template <class F>
std::optional<IoError> RaisedError(F f)
{
    try {
        f();
    } catch (const IoError& e) {
        return e;
    }
    return std::nullopt;
}

// What SaveCatalogues has to tell at exit, or "".
std::string ExitMessage()
{
    try {
        SaveCatalogues();
    } catch (const ui::AppError& e) {
        return e.what();
    }
    return "";
}

// Records as the store writes them back: every length byte cut to its field.
std::string CutLengths(std::string bytes, std::size_t recordSize)
{
    const bool text = recordSize == sizeof(TextClipEntry);
    for (std::size_t at = 0; at + recordSize <= bytes.size(); at += recordSize) {
        for (auto [offset, most] : {std::pair<std::size_t, unsigned char>{0, text ? 50 : 12}, {51, 12}}) {
            if (offset == 51 && !text)
                continue;
            char& length = bytes[at + offset];
            length = static_cast<char>(std::min(static_cast<unsigned char>(length), most));
        }
    }
    return bytes;
}

void ExpectNoStrayFiles()
{
    EXPECT_EQ(StrayTempFile(TempDir), std::nullopt);
    EXPECT_EQ(StrayTempFile(StashDir), std::nullopt);
}

} // namespace

using StoreFilesTest = StoreTest;

TEST(StoreFolders, ProgramDirOfAnExecutablePath)
{
    EXPECT_EQ(ProgramDirOf("C:\\tidemark.exe"), "C:\\");
    EXPECT_EQ(ProgramDirOf("C:\\Tools\\Clip\\tidemark.exe"), "C:\\Tools\\Clip\\");
    EXPECT_EQ(ProgramDirOf("C:tidemark.exe"), "C:\\");
    EXPECT_EQ(ProgramDirOf("\\\\server\\share\\tidemark.exe"), "\\\\server\\share\\");
}

TEST(StoreFolders, FirstStartCreatesBothFolders)
{
    TempFolder folder;
    InitStoreFolders(folder.Path() + "tidemark.exe");
    EXPECT_EQ(ProgramDir, folder.Path());
    EXPECT_EQ(TempDir, folder.Path() + "temp\\");
    EXPECT_EQ(StashDir, folder.Path() + "stash\\");
    EXPECT_TRUE(GetFileAttributesA(TempDir.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(GetFileAttributesA(StashDir.c_str()) & FILE_ATTRIBUTE_DIRECTORY);

    // Again with the folders there, and with a file where "stash" should be.
    WriteBytes(TempDir + "keep.txt", "kept");
    DeleteTree(StashDir);
    WriteBytes(folder.Path() + "stash", "a file");
    InitStoreFolders(folder.Path() + "tidemark.exe");
    EXPECT_EQ(ReadBytes(TempDir + "keep.txt"), "kept");
    EXPECT_EQ(ReadBytes(folder.Path() + "stash"), "a file");
}

TEST(StoreFolders, BareFileNames)
{
    for (const char* good : {"clip014A.txt", "clip0001.bmp", "a", ".hidden", "a.b.c", "COM10", "CONSOLE.txt", "LPTX"})
        EXPECT_TRUE(IsBareFileName(good)) << good;
    for (const char* bad : {"", ".", "..", "...", ".. ", "a.", "a ", "..\\x.txt", "sub\\x", "/etc", "a/b", "C:x",
                            "x.txt:ads", "a*", "a?", "a|b", "a\"b", "a<b", "tab\tx", "CON", "con.txt", "Nul ",
                            "AUX.bmp", "prn", "COM1", "lpt9.txt", "CONIN$", "conout$"})
        EXPECT_FALSE(IsBareFileName(bad)) << bad;
    EXPECT_FALSE(IsBareFileName(std::string("a\0b", 3)));
}

TEST_F(StoreFilesTest, ContentFilePathNeverLeavesItsFolder)
{
    EXPECT_EQ(ContentFilePath(TempDir, TextEntry("p", "clip0001.txt")), TempDir + "clip0001.txt");
    EXPECT_EQ(ContentFilePath(StashDir, BitmapEntry("clip0002.bmp")), StashDir + "clip0002.bmp");
    EXPECT_EQ(ContentFilePath(TempDir, BitmapEntry("..\\evil.txt")), "");
    EXPECT_EQ(ContentFilePath(TempDir, TextEntry("p", "")), "");
    EXPECT_EQ(ContentFilePath("", "clip0001.txt"), "");

    // An over-long length byte does not pull in the bytes behind the field.
    BitmapClipEntry entry = BitmapEntry("clip0003.bmp");
    entry.FileName.Length = 40;
    std::memcpy(entry.Padding, "\\..", 3);
    EXPECT_EQ(ContentFilePath(TempDir, entry), TempDir + "clip0003.bmp");
}

TEST_F(StoreFilesTest, BadFileNamesNeverTouchOtherFolders)
{
    WriteBytes(TempDir + "x.t", "recent");
    WriteBytes(ProgramDir + "a.txt", "program");
    SavedTextCatalogue.Entries[1] = TextEntry("p", "..\\temp\\x.t");
    SavedTextCatalogue.Entries[2] = TextEntry("p", "..\\a.txt");
    SavedTextCatalogue.Count = 2;
    EXPECT_FALSE(RemoveSavedText(2));
    EXPECT_FALSE(RemoveSavedText(1));
    EXPECT_EQ(SavedTextCatalogue.Count, 0);
    EXPECT_EQ(ReadBytes(TempDir + "x.t"), "recent");
    EXPECT_EQ(ReadBytes(ProgramDir + "a.txt"), "program");

    // Stashing such an entry keeps the entry but copies nothing.
    AddBitmapClip("..\\a.txt");
    StashBitmap(1);
    EXPECT_EQ(SavedBitmapCatalogue.Count, 1);
    EXPECT_EQ(SavedBitmapCatalogue.Entries[1].FileName.Text(), "..\\a.txt");
    EXPECT_FALSE(RemoveRecentBitmap(1));
    EXPECT_EQ(ReadBytes(ProgramDir + "a.txt"), "program");
}

TEST_F(StoreFilesTest, FirstStartLoadsEmptyAndSavesFourEmptyFiles)
{
    LoadCatalogues();
    EXPECT_EQ(RecentTextCatalogue.Count + SavedTextCatalogue.Count + RecentBitmapCatalogue.Count +
                  SavedBitmapCatalogue.Count,
              0);
    EXPECT_FALSE(Exists(RecentTextFile()));

    SaveCatalogues();
    for (const std::string& path : {RecentTextFile(), SavedTextFile(), RecentBitmapFile(), SavedBitmapFile()})
        EXPECT_EQ(ReadBytes(path), "") << path;
    ExpectNoStrayFiles();
}

TEST_F(StoreFilesTest, WithoutItsFoldersTheStoreWritesNothingWhereverItIsRun)
{
    const std::string folder = TempDir;
    char previous[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
    ProgramDir.clear();
    TempDir.clear();
    StashDir.clear();
    AddTextClip("text", "clip0001.txt");

    SaveCatalogues();
    LoadCatalogues();
    SetCurrentDirectoryA(previous);
    EXPECT_FALSE(Exists(folder + "txtclips.dat"));
    EXPECT_FALSE(Exists(folder + "bmpsaved.dat"));
    EXPECT_EQ(RecentTextCatalogue.Count, 1);
}

TEST_F(StoreFilesTest, LoadTakesWholeRecordsUpToTen)
{
    const std::string twelve = RandomRecords(sizeof(TextClipEntry), 12, 1);
    WriteBytes(RecentTextFile(), twelve.substr(0, 1200)); // ten and a part
    WriteBytes(SavedTextFile(), twelve);                  // 1,344 bytes
    WriteBytes(RecentBitmapFile(), "");
    WriteBytes(SavedBitmapFile(), RandomRecords(sizeof(BitmapClipEntry), 3, 2) + "tail");

    LoadCatalogues();

    const std::string ten = CutLengths(twelve.substr(0, 1120), sizeof(TextClipEntry));
    EXPECT_EQ(RecentTextCatalogue.Count, 10);
    EXPECT_EQ(CatalogueImage(RecentTextCatalogue), ten);
    EXPECT_EQ(SavedTextCatalogue.Count, 10);
    EXPECT_EQ(CatalogueImage(SavedTextCatalogue), ten);
    EXPECT_EQ(RecentBitmapCatalogue.Count, 0);
    EXPECT_EQ(SavedBitmapCatalogue.Count, 3);

    SaveCatalogues();
    EXPECT_EQ(ReadBytes(SavedTextFile()), ten);
    EXPECT_EQ(ReadBytes(SavedBitmapFile()), CutLengths(RandomRecords(sizeof(BitmapClipEntry), 3, 2), 64));

    WriteBytes(RecentTextFile(), std::string(100, 'x'));
    LoadCatalogues();
    EXPECT_EQ(RecentTextCatalogue.Count, 0);
    EXPECT_EQ(SavedTextCatalogue.Count, 10);
}

TEST_F(StoreFilesTest, AFolderInPlaceOfACatalogueFileCountsAsNone)
{
    CreateDirectoryA(RecentBitmapFile().c_str(), nullptr);
    RecentBitmapCatalogue.Count = 1;
    LoadCatalogues();
    EXPECT_EQ(RecentBitmapCatalogue.Count, 0);
    EXPECT_FALSE(RecentBitmapCatalogue.LoadFailed);
}

TEST_F(StoreFilesTest, RoundTripKeepsEveryByteButCutsLengthBytesToTheirFields)
{
    // Random records: reserved and padding bytes, and length bytes beyond their fields.
    const std::string files[] = {
        RandomRecords(sizeof(TextClipEntry), 10, 11),
        RandomRecords(sizeof(TextClipEntry), 7, 12),
        RandomRecords(sizeof(BitmapClipEntry), 10, 13),
        RandomRecords(sizeof(BitmapClipEntry), 1, 14),
    };
    const std::string paths[] = {RecentTextFile(), SavedTextFile(), RecentBitmapFile(), SavedBitmapFile()};
    for (int i = 0; i < 4; ++i)
        WriteBytes(paths[i], files[i]);

    LoadCatalogues();
    for (const std::string& path : paths)
        DeleteFileA(path.c_str());
    SaveCatalogues();

    for (int i = 0; i < 4; ++i) {
        const std::size_t size = i < 2 ? sizeof(TextClipEntry) : sizeof(BitmapClipEntry);
        EXPECT_NE(CutLengths(files[i], size), files[i]) << "no length byte to cut in " << paths[i];
        EXPECT_EQ(ReadBytes(paths[i]), CutLengths(files[i], size)) << paths[i];
    }
    ExpectNoStrayFiles();
}

TEST_F(StoreFilesTest, ClipsSurviveARestartWithoutTheSaveAtExit)
{
    WriteBytes(TempDir + "clip0001.txt", "one");
    AddTextClip("one", "clip0001.txt");
    AddTextClip("two", "clip0002.txt");
    StashText(1);
    AddBitmapClip("clip0003.bmp");
    StashBitmap(1);
    RemoveRecentText(1);
    const std::string images[] = {CatalogueImage(RecentTextCatalogue), CatalogueImage(SavedTextCatalogue),
                                  CatalogueImage(RecentBitmapCatalogue), CatalogueImage(SavedBitmapCatalogue)};
    // No save at exit, as after a crash: every change is on disk already.
    ResetCatalogues();
    LoadCatalogues();
    EXPECT_EQ(RecentTextCatalogue.Count, 1);
    EXPECT_EQ(CatalogueImage(RecentTextCatalogue), images[0]);
    EXPECT_EQ(CatalogueImage(SavedTextCatalogue), images[1]);
    EXPECT_EQ(CatalogueImage(RecentBitmapCatalogue), images[2]);
    EXPECT_EQ(CatalogueImage(SavedBitmapCatalogue), images[3]);
    EXPECT_EQ(SavedTextCatalogue.Entries[1].Preview.Text(), "one");

}

TEST_F(StoreFilesTest, AtStartContentFilesThatNoCatalogueNamesGoOnlyWhereBothCataloguesWereRead)
{
    // Named by a catalogue of either kind, in any case, stay.
    WriteBytes(RecentTextFile(), Bytes(TextEntry("a", "clip0001.txt")) + Bytes(TextEntry("b", "clip0005.bmp")));
    WriteBytes(RecentBitmapFile(), Bytes(BitmapEntry("CLIP0002.BMP")));
    const char* kept[] = {"clip0001.txt", "clip0005.bmp", "clip0002.bmp",
                          // not a content file's name: never the store's to delete
                          "clip12345.txt", "clipXYZW.txt", "clip0006.txt.bak", "clip0007.dat", "clip0008",
                          "notes.txt", "txtclips.dat.new"};
    // Left by a kill before the catalogue named them, or after it let them go.
    const char* unnamed[] = {"clip0003.txt", "CLIP00ab.BMP", "clip0002.txt"};
    for (const char* name : kept)
        WriteBytes(TempDir + name, name);
    for (const char* name : unnamed)
        WriteBytes(TempDir + name, name);
    CreateDirectoryA((TempDir + "clip0004.txt").c_str(), nullptr);
    // The stash's text catalogue cannot be read: it may name any file there.
    WriteBytes(SavedTextFile(), Bytes(TextEntry("c", "clip0009.txt")));
    WriteBytes(StashDir + "clip0009.txt", "saved");
    WriteBytes(StashDir + "clip000A.bmp", "saved");
    {
        LockedFile lock(SavedTextFile());
        ASSERT_TRUE(lock.Active());
        ASSERT_TRUE(RaisedError(LoadCatalogues));
    }
    for (const char* name : kept)
        EXPECT_EQ(ReadBytes(TempDir + name), name);
    for (const char* name : unnamed)
        EXPECT_FALSE(Exists(TempDir + name)) << name;
    EXPECT_TRUE(Exists(TempDir + "clip0004.txt"));
    EXPECT_TRUE(Exists(StashDir + "clip0009.txt"));
    EXPECT_TRUE(Exists(StashDir + "clip000A.bmp"));

    // Read at the next start: what it names stays, the rest goes.
    LoadCatalogues();
    EXPECT_TRUE(Exists(StashDir + "clip0009.txt"));
    EXPECT_FALSE(Exists(StashDir + "clip000A.bmp"));
    EXPECT_EQ(ReadBytes(TempDir + "clip0001.txt"), "clip0001.txt");
}

TEST_F(StoreFilesTest, ALockedFileIsLeftAloneUntilItCanBeReadThenTheRunsEntriesFollowWhatItHolds)
{
    // Nine saved clips with their stash files, odd bytes in their records.
    std::string saved;
    for (int i = 1; i <= 9; ++i) {
        const std::string name = "clip010" + std::to_string(i) + ".txt";
        TextClipEntry entry = TextEntry("saved " + std::to_string(i), name, 40000 + i);
        entry.Reserved[7] = static_cast<std::uint8_t>(0xA0 + i);
        saved += Bytes(entry);
        WriteBytes(StashDir + name, "old");
    }
    WriteBytes(SavedTextFile(), saved);
    WriteBytes(RecentBitmapFile(), RandomRecords(sizeof(BitmapClipEntry), 4, 22));
    {
        LockedFile lock(SavedTextFile());
        ASSERT_TRUE(lock.Active());
        const auto error = RaisedError(LoadCatalogues);
        ASSERT_TRUE(error);
        EXPECT_EQ(error->Code(), static_cast<std::uint32_t>(ERROR_SHARING_VIOLATION));
        EXPECT_TRUE(SavedTextCatalogue.LoadFailed);
        EXPECT_EQ(SavedTextCatalogue.Count, 0);
        EXPECT_EQ(RecentBitmapCatalogue.Count, 4); // those after the failure load too
        // The stash files that no entry in memory names stay: the file may.
        for (int i = 1; i <= 9; ++i)
            EXPECT_TRUE(FileExists(StashDir + "clip010" + std::to_string(i) + ".txt")) << i;

        // This run's captures.
        for (const char* name : {"clip0001.txt", "clip0002.txt", "clip0003.txt"})
            WriteBytes(TempDir + name, name);

        // Reported at start: the run goes on without a word.
        int landed = 0;
        EXPECT_FALSE(RaisedError([&] {
            AddTextClip("new 1", "clip0001.txt", [&] { ++landed; });
            StashText(1);
            AddTextClip("new 2", "clip0002.txt");
            StashText(2);
            RemoveSavedText(2);
        }));
        EXPECT_EQ(landed, 1);
        // The file may name it as well: it waits until the file can be read.
        EXPECT_TRUE(FileExists(StashDir + "clip0002.txt"));
    }
    EXPECT_EQ(ReadBytes(SavedTextFile()), saved);

    AddTextClip("new 3", "clip0003.txt");
    StashText(3);
    // Nine of the file and two of the run: the file's oldest drops out.
    EXPECT_FALSE(SavedTextCatalogue.LoadFailed);
    ASSERT_EQ(SavedTextCatalogue.Count, 10);
    EXPECT_EQ(CatalogueImage(SavedTextCatalogue).substr(0, 8 * sizeof(TextClipEntry)),
              saved.substr(sizeof(TextClipEntry)));
    EXPECT_EQ(SavedTextCatalogue.Entries[9].FileName.Text(), "clip0001.txt");
    EXPECT_EQ(SavedTextCatalogue.Entries[10].FileName.Text(), "clip0003.txt");
    EXPECT_EQ(ReadBytes(SavedTextFile()), CatalogueImage(SavedTextCatalogue));
    EXPECT_FALSE(FileExists(StashDir + "clip0101.txt"));
    EXPECT_TRUE(FileExists(StashDir + "clip0102.txt"));
    EXPECT_FALSE(FileExists(StashDir + "clip0002.txt"));
    EXPECT_EQ(ReadBytes(StashDir + "clip0003.txt"), "clip0003.txt");
    ExpectNoStrayFiles();
}

TEST_F(StoreFilesTest, AReadOnlyFileFailsItsLoadWithAccessDenied)
{
    const std::string bitmaps = RandomRecords(sizeof(BitmapClipEntry), 5, 30);
    WriteBytes(RecentBitmapFile(), bitmaps);
    WriteBytes(SavedBitmapFile(), RandomRecords(sizeof(BitmapClipEntry), 2, 31));
    WriteBytes(SavedTextFile(), RandomRecords(sizeof(TextClipEntry), 1, 32));
    ReadOnlyFile readOnly(RecentBitmapFile());
    ASSERT_TRUE(readOnly.Active());
    {
        LockedFile lock(SavedTextFile()); // a later failure does not hide the first
        ASSERT_TRUE(lock.Active());
        const auto error = RaisedError(LoadCatalogues);
        ASSERT_TRUE(error);
        EXPECT_EQ(error->Code(), 32u);
    }
    EXPECT_TRUE(RecentBitmapCatalogue.LoadFailed);
    EXPECT_EQ(SavedBitmapCatalogue.Count, 2);

    ResetCatalogues();
    const auto error = RaisedError(LoadCatalogues);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Code(), 5u);
    EXPECT_STREQ(error->what(), "File access denied");
    // Nothing of the run to keep: nothing to say at exit either.
    EXPECT_NO_THROW(SaveCatalogues());
    EXPECT_NO_THROW(AddBitmapClip("clip0001.bmp"));
    EXPECT_EQ(ExitMessage(), "The clips of this run could not be kept in " + RecentBitmapFile() +
                                 " (it could not be read)");
    EXPECT_EQ(ReadBytes(RecentBitmapFile()), bitmaps);
    EXPECT_EQ(ReadBytes(SavedBitmapFile())->size(), 2 * sizeof(BitmapClipEntry));
    ExpectNoStrayFiles();
}

TEST_F(StoreFilesTest, AnotherProgramLookingAtTheCatalogueOnlyDelaysItsWrite)
{
    LoadCatalogues();
    AddTextClip("one", "clip0001.txt");
    // As a virus scanner or an indexer opens a file, sharing everything.
    HANDLE look = CreateFileA(RecentTextFile().c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(look, INVALID_HANDLE_VALUE);
    std::thread done([look] {
        Sleep(100);
        CloseHandle(look);
    });
    EXPECT_FALSE(RaisedError([] { AddTextClip("two", "clip0002.txt"); }));
    done.join();
    EXPECT_EQ(ReadBytes(RecentTextFile()), CatalogueImage(RecentTextCatalogue));
    ExpectNoStrayFiles();
}

TEST_F(StoreFilesTest, AWriteFailureIsToldUntilSeenAndNamedAtExitWhateverWasSeen)
{
    const std::string saved = Bytes(TextEntry("kept", "kept.txt", 1.0)) + Bytes(TextEntry("also", "also.txt", 2.0));
    WriteBytes(SavedTextFile(), saved);
    LoadCatalogues();
    WriteBytes(TempDir + "clip0001.txt", "one");
    AddTextClip("one", "clip0001.txt");
    {
        ReadOnlyFile readOnly(SavedTextFile());
        ASSERT_TRUE(readOnly.Active());
        const auto error = RaisedError([] { StashText(1); });
        ASSERT_TRUE(error);
        EXPECT_EQ(error->Code(), 5u);
        EXPECT_EQ(SavedTextCatalogue.Count, 3); // the change stands
        // Dropped unseen (another box waited): the next failure tells it again.
        const auto again = RaisedError([] { StashText(1); });
        ASSERT_TRUE(again);
        again->Seen();
        EXPECT_FALSE(RaisedError([] { StashText(1); }));
        error->Seen(); // late, and harmless
        EXPECT_EQ(ReadBytes(SavedTextFile()), saved);
        AddBitmapClip("clip0002.bmp");
        EXPECT_EQ(ReadBytes(RecentBitmapFile()), CatalogueImage(RecentBitmapCatalogue));
        // At exit it is named all the same, with its reason.
        EXPECT_EQ(ExitMessage(),
                  "The clips of this run could not be kept in " + SavedTextFile() + " (File access denied)");
    }
    // Writable again: the next change writes all that memory holds, and a
    // new streak is told again.
    StashText(1);
    EXPECT_EQ(ReadBytes(SavedTextFile()), CatalogueImage(SavedTextCatalogue));
    EXPECT_EQ(SavedTextCatalogue.Count, 6);
    EXPECT_EQ(ExitMessage(), "");
    ReadOnlyFile again(SavedTextFile());
    ASSERT_TRUE(again.Active());
    EXPECT_TRUE(RaisedError([] { RemoveSavedText(1); }));
    ExpectNoStrayFiles();
}

TEST_F(StoreFilesTest, ACatalogueThatCannotBeLookedAtIsNotAnEmptyOne)
{
    std::string link = UnixPath(StashDir);
    if (link.empty())
        GTEST_SKIP() << "needs Wine to make a link that cannot be followed";
    if (link.back() != '/')
        link += '/';
    // A link to itself: its attributes cannot be read, and it is not missing.
    const auto unreadable = [] {
        const DWORD attributes = GetFileAttributesA(SavedTextFile().c_str());
        const DWORD error = GetLastError();
        return attributes == INVALID_FILE_ATTRIBUTES && error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
    };
    ASSERT_TRUE(MakeUnixLink("txtsaved.dat", link + "txtsaved.dat", unreadable));
    ASSERT_TRUE(RaisedError(LoadCatalogues));
    EXPECT_TRUE(SavedTextCatalogue.LoadFailed);

    WriteBytes(TempDir + "clip0001.txt", "one");
    AddTextClip("one", "clip0001.txt");
    StashText(1);
    EXPECT_TRUE(unreadable()); // not replaced by this run's entry alone
    EXPECT_EQ(ExitMessage(), "The clips of this run could not be kept in " + SavedTextFile() +
                                 " (it could not be read)");

    // Once it leads to a file again, the run's entry follows what it holds.
    const std::string older = Bytes(TextEntry("older", "clip0009.txt", 3.0));
    WriteBytes(StashDir + "older.dat", older);
    ASSERT_TRUE(MakeUnixLink("older.dat", link + "txtsaved.dat", [&] { return ReadBytes(SavedTextFile()) == older; }));
    StashText(1);
    ASSERT_EQ(SavedTextCatalogue.Count, 3);
    EXPECT_EQ(ReadBytes(SavedTextFile())->substr(0, sizeof(TextClipEntry)), older);
    EXPECT_EQ(ReadBytes(SavedTextFile()), CatalogueImage(SavedTextCatalogue));
}

TEST_F(StoreFilesTest, AMissingStashFolderFailsItsFilesOnly)
{
    WriteBytes(SavedTextFile(), RandomRecords(sizeof(TextClipEntry), 1, 50));
    LoadCatalogues();
    AddTextClip("one", "clip0001.txt");
    AddBitmapClip("clip0002.bmp");
    DeleteTree(StashDir);

    EXPECT_EQ(ExitMessage(), "The clips of this run could not be kept in " + SavedTextFile() +
                                 " (Invalid filename) and " + SavedBitmapFile() + " (Invalid filename)");
    EXPECT_EQ(ReadBytes(RecentTextFile()), CatalogueImage(RecentTextCatalogue));
    EXPECT_EQ(ReadBytes(RecentBitmapFile()), CatalogueImage(RecentBitmapCatalogue));
    EXPECT_FALSE(Exists(StashDir));
    ExpectNoStrayFiles();
}
