// CFile and CFileFind on the real Windows file system: what opens, what is
// created and what is refused; exclusive opens; lengths beyond 32 bits;
// reads and writes that loop over large counts; double-byte path names; the
// rename that never replaces; a slice written through windows of its mapping.
#include <string>
#include <vector>

#include "platform/cfile.h"
#include "platform/cfilefind.h"
#include "platform/cfileslice.h"
#include "platform/path_rules.h"
#include "tests/win32/harness.h"
#include "text_win32.h"

#include <winioctl.h>

namespace {

// A fresh folder in the system's temporary folder, removed with its files.
class TempDir {
public:
    TempDir()
    {
        char base[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, base);
        for (unsigned n = ::GetTickCount();; ++n) {
            m_root = std::string(base) + "qarvel-layer-" + std::to_string(n);
            if (::CreateDirectoryA(m_root.c_str(), nullptr))
                break;
        }
    }
    ~TempDir() { RemoveTree(m_root); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string Path(const std::string& name) const { return m_root + "\\" + name; }

private:
    // In UTF-16: the tests leave double-byte names behind.
    static void RemoveTree(const std::wstring& folder)
    {
        WIN32_FIND_DATAW entry;
        HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &entry);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                std::wstring name = entry.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                std::wstring path = folder + L"\\" + name;
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(path);
                else
                    ::DeleteFileW(path.c_str());
            } while (::FindNextFileW(search, &entry));
            ::FindClose(search);
        }
        ::RemoveDirectoryW(folder.c_str());
    }
    static void RemoveTree(const std::string& folder) { RemoveTree(std::wstring(win32::Wide(folder).c_str())); }

    std::string m_root;
};

bool Exists(const std::string& path)
{
    return ::GetFileAttributesW(win32::Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void Put(const std::string& path, const std::string& bytes)
{
    CFile file;
    CHECK(file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite));
    CHECK(file.Write(bytes.data(), static_cast<UINT>(bytes.size())));
    CHECK(file.Close());
}

std::string Get(const std::string& path)
{
    CFile file;
    if (!file.Open(path.c_str(), CFile::modeRead | CFile::shareDenyNone))
        return "<cannot open>";
    std::string bytes(static_cast<size_t>(file.GetLength()), '\0');
    UINT done = 0;
    file.Read(&bytes[0], static_cast<UINT>(bytes.size()), &done);
    bytes.resize(done);
    return bytes;
}

TEST(File_OpenCreatesOnlyWhenAsked)
{
    TempDir dir;
    Put(dir.Path("old.bin"), "0123456789");
    struct Row {
        const char* name;
        const char* file;
        UINT flags;
        bool opens;
        bool existsAfter;
        const char* contentAfter;  // nullptr: not checked
    };
    const Row rows[] = {
        { "read, missing", "missing.bin", CFile::modeRead, false, false, nullptr },
        { "read-write, missing", "missing.bin", CFile::modeReadWrite, false, false, nullptr },
        { "read, existing", "old.bin", CFile::modeRead, true, true, "0123456789" },
        { "create new, existing", "old.bin", CFile::modeCreateNew | CFile::modeWrite, false, true,
          "0123456789" },
        { "create new, missing", "new.bin", CFile::modeCreateNew | CFile::modeWrite, true, true, "" },
        { "create no truncate, existing", "old.bin",
          CFile::modeCreate | CFile::modeNoTruncate | CFile::modeRead, true, true, "0123456789" },
        { "create no truncate, missing", "made.bin",
          CFile::modeCreate | CFile::modeNoTruncate | CFile::modeRead, true, true, "" },
        { "create, existing", "old.bin", CFile::modeCreate | CFile::modeWrite, true, true, "" },
    };
    for (const Row& row : rows) {
        harness::Case c(row.name);
        std::string path = dir.Path(row.file);
        CFile file;
        CHECK_EQ(file.Open(path.c_str(), row.flags) != FALSE, row.opens);
        CHECK_EQ(file.IsOpen(), row.opens);
        file.Close();
        CHECK_EQ(Exists(path), row.existsAfter);
        if (row.contentAfter)
            CHECK_EQ(Get(path), std::string(row.contentAfter));
    }
}

TEST(File_FoldersAndDevicesAreRefused)
{
    TempDir dir;
    ::CreateDirectoryA(dir.Path("folder").c_str(), nullptr);
    struct Row {
        std::string path;
        UINT flags;
    };
    const Row rows[] = {
        { dir.Path("folder"), CFile::modeRead },
        { dir.Path("folder"), CFile::modeCreate | CFile::modeNoTruncate | CFile::modeRead },
        { dir.Path("folder"), CFile::modeCreate | CFile::modeWrite },
        { "NUL", CFile::modeRead },
        { "NUL", CFile::modeCreate | CFile::modeWrite },
        { "", CFile::modeRead },
    };
    for (const Row& row : rows) {
        harness::Case c(harness::Show(row.path) + " flags " + harness::Show(row.flags));
        CFile file;
        CHECK(!file.Open(row.path.c_str(), row.flags));
        CHECK(!file.IsOpen());
    }
    CHECK(Exists(dir.Path("folder")));
}

TEST(File_NoShareFlagHoldsTheFileExclusively)
{
    TempDir dir;
    std::string path = dir.Path("held.bin");
    Put(path, "abc");
    {
        CFile first;
        CHECK(first.Open(path.c_str(), CFile::modeRead));
        CFile second;
        CHECK(!second.Open(path.c_str(), CFile::modeRead));
        CHECK(!second.Open(path.c_str(), CFile::modeRead | CFile::shareDenyNone));
    }
    // The destructor closed it.
    CFile again;
    CHECK(again.Open(path.c_str(), CFile::modeRead));
    again.Close();

    {
        CFile shared1;
        CFile shared2;
        CHECK(shared1.Open(path.c_str(), CFile::modeRead | CFile::shareDenyNone));
        CHECK(shared2.Open(path.c_str(), CFile::modeRead | CFile::shareDenyNone));
    }
    // shareDenyWrite lets others read, not write.
    CFile reader;
    CHECK(reader.Open(path.c_str(), CFile::modeRead | CFile::shareDenyWrite));
    CFile otherReader;
    CHECK(otherReader.Open(path.c_str(), CFile::modeRead | CFile::shareDenyNone));
    CFile writer;
    CHECK(!writer.Open(path.c_str(), CFile::modeWrite | CFile::shareDenyNone));
}

TEST(File_LengthSeekAndRead)
{
    TempDir dir;
    std::string path = dir.Path("ten.bin");
    Put(path, "0123456789");
    CFile file;
    CHECK(file.Open(path.c_str(), CFile::modeRead));
    CHECK_EQ(file.GetLength(), 10ull);

    // The length query leaves the position at the start.
    char buffer[16] = {};
    UINT done = 99;
    CHECK(file.Read(buffer, 3, &done));
    CHECK_EQ(done, 3u);
    CHECK_EQ(std::string(buffer, done), std::string("012"));
    CHECK_EQ(file.GetLength(), 10ull);
    CHECK(file.Read(buffer, 2, &done));
    CHECK_EQ(std::string(buffer, done), std::string("34"));

    // Relative and absolute moves; a read past the end gives what is there.
    CHECK(file.Seek(2, CFile::current));
    CHECK(file.Read(buffer, 16, &done));
    CHECK_EQ(std::string(buffer, done), std::string("789"));
    CHECK(file.Read(buffer, 16, &done));
    CHECK_EQ(done, 0u);
    CHECK(file.Seek(1, CFile::begin));
    CHECK(file.Read(buffer, 1, &done));
    CHECK_EQ(std::string(buffer, done), std::string("1"));
    CHECK(!file.Seek(-5, CFile::begin));

    // A read-only file takes no write.
    CHECK(!file.Write("x", 1));
    CHECK(file.Close());
    CHECK(file.Close());
}

TEST(File_LargeWriteAndReadLoopOverPieces)
{
    TempDir dir;
    std::string path = dir.Path("big.bin");
    const UINT size = (20u << 20) + 7;  // more than one 8 MiB piece, odd end
    std::vector<char> bytes(size);
    for (UINT i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 2654435761u) >> 24);
    {
        CFile out;
        CHECK(out.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite));
        CHECK(out.Write(bytes.data(), size));
        UINT done = 0;
        char one;
        CHECK(!out.Read(&one, 1, &done));  // a write-only file takes no read
    }
    CFile in;
    CHECK(in.Open(path.c_str(), CFile::modeRead));
    CHECK_EQ(in.GetLength(), static_cast<ULONGLONG>(size));
    std::vector<char> back(size + 10);
    UINT done = 0;
    CHECK(in.Read(back.data(), size + 10, &done));
    CHECK_EQ(done, size);
    back.resize(size);
    CHECK(back == bytes);
}

// A slice goes out in pieces, each from views of the file's mapping that
// start at a multiple of the allocation granule (64 KiB): pieces that start
// and end mid-granule, span several, or are a few bytes.
TEST(FileSlice_WrittenInPiecesOutOfViews)
{
    TempDir dir;
    std::string source = dir.Path("source.bin");
    std::string bytes((3u << 20) + 12345, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 2654435761u) >> 24);
    Put(source, bytes);
    struct Row {
        LONGLONG offset;
        UINT count;
    };
    const Row rows[] = {
        { 0, 3u << 20 },                   // whole granules from the start
        { 12345, 3000000 },                // starts and ends mid-granule
        { 1 << 20, 1u << 20 },             // exactly sixteen granules
        { (1 << 20) - 1, 3 },              // a few bytes
        { 3 << 20, 12345 },                // the tail of the file
    };
    for (const Row& row : rows) {
        harness::Case c("offset " + std::to_string(row.offset) + ", count " + std::to_string(row.count));
        std::string output = dir.Path("slice-" + std::to_string(row.offset) + ".bin");
        {
            CFile in;
            CHECK(in.Open(source.c_str(), CFile::modeRead));
            CFileSlice slice;
            CHECK_EQ(slice.Load(in, row.offset, row.count), CFileSlice::loaded);
            CHECK(in.Close());
            CFile out;
            CHECK(out.Open(output.c_str(), CFile::modeCreate | CFile::modeWrite));
            // In two pieces, the second starting wherever the first ended.
            UINT first = row.count / 3;
            CHECK(slice.WritePiece(out, 0, first));
            CHECK(slice.WritePiece(out, first, row.count - first));
            CHECK(slice.Intact());
        }
        CHECK(Get(output) == bytes.substr(static_cast<size_t>(row.offset), row.count));
    }
}

TEST(File_LengthBeyond4GiB)
{
    TempDir dir;
    std::string path = dir.Path("sparse.bin");
    const ULONGLONG length = (5ull << 30) + 3;
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    CHECK(file != INVALID_HANDLE_VALUE);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD ignored = 0;
    // Sparse where the file system can: no disk space is used.
    ::DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(length);
    bool sized = ::SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && ::SetEndOfFile(file);
    ::CloseHandle(file);
    CHECK(sized);
    if (!sized)
        return;
    CFile big;
    CHECK(big.Open(path.c_str(), CFile::modeRead));
    CHECK_EQ(big.GetLength(), length);
    CHECK(big.Seek(static_cast<LONGLONG>(length - 1), CFile::begin));
    char last = 'x';
    UINT done = 0;
    CHECK(big.Read(&last, 1, &done));
    CHECK_EQ(done, 1u);
    CHECK_EQ(static_cast<int>(last), 0);
}

TEST(File_RemoveAndDoubleBytePathNames)
{
    TempDir dir;
    // 音乐\乗表.mp3: the trail byte of 乗 is 0x5C, the code of '\'.
    std::string folder = dir.Path("\xD2\xF4\xC0\xD6");
    CHECK(::CreateDirectoryW(win32::Wide(folder).c_str(), nullptr));
    std::string path = folder + "\\\x81\\\xB1\xED.mp3";
    Put(path, "song");
    CHECK_EQ(Get(path), std::string("song"));

    // The name on disk is the UTF-16 form of those GBK bytes.
    WIN32_FIND_DATAW entry;
    std::string root = dir.Path("");  // ASCII: the temporary folder
    std::wstring wide(root.begin(), root.end());
    HANDLE search = ::FindFirstFileW((wide + L"\u97F3\u4E50\\*.mp3").c_str(), &entry);
    CHECK(search != INVALID_HANDLE_VALUE);
    if (search != INVALID_HANDLE_VALUE) {
        CHECK(std::wstring(entry.cFileName) == L"\u4E57\u8868.mp3");
        ::FindClose(search);
    }

    CHECK(CFile::Remove(path.c_str()));
    CHECK(!Exists(path));
    CHECK(!CFile::Remove(path.c_str()));
}

// The cut's unfinished file is created hidden and renamed to the output's
// name: the rename never replaces what stands there, and the file comes out
// visible.
TEST(File_RenameNeverReplacesAndShowsTheFile)
{
    TempDir dir;
    ::CreateDirectoryA(dir.Path("folder.mp3").c_str(), nullptr);
    Put(dir.Path("theirs.mp3"), "theirs");
    struct Row {
        const char* target;
        CFile::RenameResult result;
    };
    const Row rows[] = {
        { "free.mp3", CFile::renamed },
        { "theirs.mp3", CFile::targetExists },
        { "folder.mp3", CFile::targetExists },
        { "missing\\free.mp3", CFile::renameFailed },
    };
    for (const Row& row : rows) {
        harness::Case c(row.target);
        std::string from = dir.Path("~qarvel-1.part");
        CFile file;
        CHECK(file.Open(from.c_str(), CFile::modeCreateNew | CFile::modeWrite | CFile::modeHidden));
        CHECK(file.Write("slice", 5));
        CHECK(file.Close());
        CHECK((::GetFileAttributesA(from.c_str()) & FILE_ATTRIBUTE_HIDDEN) != 0);

        std::string to = dir.Path(row.target);
        CHECK_EQ(static_cast<int>(CFile::Rename(from.c_str(), to.c_str())), static_cast<int>(row.result));
        if (row.result == CFile::renamed) {
            CHECK(!Exists(from));
            CHECK_EQ(Get(to), std::string("slice"));
            CHECK_EQ(::GetFileAttributesA(to.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0ul);
        } else {
            CHECK_EQ(Get(from), std::string("slice"));
        }
        ::DeleteFileA(from.c_str());
    }
    CHECK_EQ(Get(dir.Path("theirs.mp3")), std::string("theirs"));
    CHECK_EQ(::GetFileAttributesA(dir.Path("folder.mp3").c_str()) & FILE_ATTRIBUTE_DIRECTORY,
             static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
}

// Names the volume or the W file functions would refuse are told before
// anything is written: a name counts UTF-16 units (a double-byte character
// is one), a whole path must stay below MAX_PATH.
TEST(Path_NameFitsFolderBelowTheVolumesLimitAndMaxPath)
{
    std::string wide;
    for (int i = 0; i < 200; ++i)
        wide += "\xD6\xD0";  // 中
    const std::string folder = "C:\\" + std::string(100, 'd') + "\\";
    struct Row {
        std::string path;
        bool fits;
    };
    const Row rows[] = {
        { "C:\\" + std::string(255, 'n'), true },
        { "C:\\" + std::string(256, 'n'), false },
        { "C:\\" + wide, true },  // 400 bytes, 200 characters
        { folder + std::string(MAX_PATH - 1 - folder.size(), 'n'), true },
        { folder + std::string(MAX_PATH - folder.size(), 'n'), false },
    };
    for (const Row& row : rows) {
        harness::Case c(std::to_string(row.path.size()) + " bytes");
        CHECK_EQ(AfxNameFitsFolder(CString(row.path.c_str())), row.fits);
    }
}

TEST(FileFind_AnyEntryMatches)
{
    TempDir dir;
    Put(dir.Path("a.bin"), "a");
    ::CreateDirectoryA(dir.Path("sub").c_str(), nullptr);
    struct Row {
        std::string path;
        bool found;
    };
    const Row rows[] = {
        { dir.Path("a.bin"), true },
        { dir.Path("A.BIN"), true },  // names are not case sensitive
        { dir.Path("sub"), true },
        { dir.Path("*.bin"), true },
        { dir.Path("missing.bin"), false },
        { dir.Path("sub\\missing.bin"), false },
        { "", false },
    };
    for (const Row& row : rows) {
        harness::Case c(harness::Show(row.path));
        CFileFind finder;
        CHECK_EQ(finder.FindFile(row.path.c_str()) != FALSE, row.found);
        finder.Close();
        finder.Close();
    }
    // A search left open is closed by the destructor: the folder can go.
    {
        CFileFind open;
        CHECK(open.FindFile(dir.Path("sub").c_str()));
    }
    CHECK(::RemoveDirectoryA(dir.Path("sub").c_str()));
}

}  // namespace
