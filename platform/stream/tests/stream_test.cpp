#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/stream/buffer_stream.h"
#include "platform/stream/zip_file_functions.h"
#include "platform/stream/zip_writer.h"
#include "platform/base/last_error.h"

using namespace zovi::core;

namespace {

// Brings a buffer to the given capacity and size through its public operations.
void Shape(CBuffer& buffer, uint32_t capacity, uint32_t size) {
    while (buffer.Capacity() < capacity) ASSERT_TRUE(buffer.Reserve(capacity - buffer.Size() - 4));
    ASSERT_EQ(buffer.Capacity(), capacity);
    std::vector<uint8_t> fill(size, 0x5A);
    ASSERT_TRUE(buffer.Append(fill.data(), size));
    ASSERT_EQ(buffer.Capacity(), capacity);
}

struct StreamDeleter {
    void operator()(CBufferStream* s) const { s->Release(); }
};
using StreamPtr = std::unique_ptr<CBufferStream, StreamDeleter>;

StreamPtr StreamWith(const std::string& bytes) {
    StreamPtr stream(new CZipStream());
    EXPECT_EQ(stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr), S_OK);
    EXPECT_EQ(stream->Seek(LARGE_INTEGER{0}, STREAM_SEEK_SET, nullptr), S_OK);
    return stream;
}

}  // namespace

TEST(BufferTest, ReserveFollowsTheGrowthRule) {
    struct Case {
        uint32_t capacity, size, n, expected;
    } cases[] = {
        {100, 10, 8, 42},     // 10 + max(12, 32)
        {400, 400, 1, 532},   // 400 + max(5, 32 + 100)
        {128, 128, 1, 160},   // 128 is not above 128: 128 + 32
        {132, 129, 1, 129 + 32 + 33},
        {100, 10, 100, 114},  // n + 4 wins
    };
    for (const Case& c : cases) {
        CBuffer buffer;
        Shape(buffer, c.capacity, c.size);
        ASSERT_TRUE(buffer.Reserve(c.n));
        EXPECT_EQ(buffer.Capacity(), c.expected) << c.capacity << "/" << c.size << "/" << c.n;
        EXPECT_EQ(buffer.Size(), c.size);
    }
}

TEST(BufferTest, SizesPastFourGigabytesFailWithoutChange) {
    CBuffer buffer;
    ASSERT_TRUE(buffer.Append("abcdef", 6));
    uint32_t capacity = buffer.Capacity();
    EXPECT_FALSE(buffer.Reserve(0xFFFFFFFFu));
    EXPECT_FALSE(buffer.Reserve(0xFFFFFFFCu));
    EXPECT_FALSE(buffer.Append("x", 0xFFFFFFFFu));
    EXPECT_EQ(buffer.AppendUninitialized(0xFFFFFFFEu), nullptr);
    EXPECT_EQ(buffer.Capacity(), capacity);
    EXPECT_EQ(buffer.Size(), 6u);
    EXPECT_EQ(std::memcmp(buffer.Data(), "abcdef", 6), 0);
}

TEST(BufferTest, ResetKeepsTheAllocationAndAppendUninitializedGrows) {
    CBuffer buffer;
    ASSERT_TRUE(buffer.Append("hello", 5));
    uint8_t* data = buffer.Data();
    buffer.Reset();
    EXPECT_EQ(buffer.Size(), 0u);
    EXPECT_EQ(buffer.Data(), data);
    uint8_t* place = buffer.AppendUninitialized(1000);
    ASSERT_NE(place, nullptr);
    EXPECT_EQ(buffer.Size(), 1000u);
    EXPECT_GE(buffer.Capacity(), 1000u);
    buffer.Truncate(3);
    EXPECT_EQ(buffer.Size(), 3u);
}

TEST(BufferStreamTest, ReadWriteSeekTable) {
    struct Case {
        const char* name;
        LONGLONG seek;
        DWORD origin;
        HRESULT seekResult;
        ULONG want;
        HRESULT readResult;
        std::string expected;
    } cases[] = {
        {"start", 0, STREAM_SEEK_SET, S_OK, 8, S_OK, "01234567"},
        {"end minus one", -1, STREAM_SEEK_END, S_OK, 4, S_FALSE, "7"},
        {"past the end", 20, STREAM_SEEK_SET, S_OK, 4, S_FALSE, ""},
        {"negative target", -9, STREAM_SEEK_END, STG_E_INVALIDFUNCTION, 2, S_OK, "01"},
        {"past 32 bits", 0x100000000LL, STREAM_SEEK_SET, STG_E_INVALIDFUNCTION, 1, S_OK, "0"},
        {"unknown origin", 0, 3, STG_E_INVALIDFUNCTION, 1, S_OK, "0"},
        {"from current", 3, STREAM_SEEK_CUR, S_OK, 2, S_OK, "34"},
    };
    for (const Case& c : cases) {
        StreamPtr stream = StreamWith("01234567");
        ULARGE_INTEGER position{12345};
        EXPECT_EQ(stream->Seek(LARGE_INTEGER{c.seek}, c.origin, &position), c.seekResult) << c.name;
        if (c.seekResult == S_OK) {
            EXPECT_EQ(position.QuadPart, stream->Position()) << c.name;
        }
        char out[16] = {};
        ULONG got = 99;
        EXPECT_EQ(stream->Read(out, c.want, &got), c.readResult) << c.name;
        EXPECT_EQ(std::string(out, got), c.expected) << c.name;
    }
}

TEST(BufferStreamTest, NullPointersAndUnimplementedSlots) {
    StreamPtr stream = StreamWith("abc");
    EXPECT_EQ(stream->Read(nullptr, 1, nullptr), E_POINTER);
    EXPECT_EQ(stream->Write(nullptr, 1, nullptr), E_POINTER);
    EXPECT_EQ(stream->Commit(0), E_NOTIMPL);
    EXPECT_EQ(stream->Revert(), E_NOTIMPL);
    EXPECT_EQ(stream->LockRegion({0}, {1}, 0), E_NOTIMPL);
    EXPECT_EQ(stream->UnlockRegion({0}, {1}, 0), E_NOTIMPL);
    IStream* clone = nullptr;
    EXPECT_EQ(stream->Clone(&clone), E_NOTIMPL);
    EXPECT_EQ(stream->Stat(nullptr, 0), S_OK);
    STATSTG stat{};
    stat.pwcsName = reinterpret_cast<wchar_t*>(1);
    EXPECT_EQ(stream->Stat(&stat, 0), S_OK);
    EXPECT_EQ(stat.pwcsName, nullptr);
    EXPECT_EQ(stat.type, STGTY_STREAM);
    EXPECT_EQ(stat.cbSize.QuadPart, 3u);
}

TEST(BufferStreamTest, QueryInterfaceAndReferenceCount) {
    StreamPtr stream = StreamWith("");
    struct Case {
        const IID& iid;
        HRESULT result;
    } cases[] = {{IID_IUnknown, S_OK}, {IID_ISequentialStream, S_OK}, {IID_IStream, S_OK},
                 {IID{1, 2, 3, {4}}, E_NOINTERFACE}};
    for (const Case& c : cases) {
        void* object = reinterpret_cast<void*>(1);
        EXPECT_EQ(stream->QueryInterface(c.iid, &object), c.result);
        if (c.result == S_OK) {
            EXPECT_EQ(object, static_cast<IStream*>(stream.get()));
            EXPECT_EQ(stream->Release(), 1u);
        } else {
            EXPECT_EQ(object, nullptr);
        }
    }
    EXPECT_EQ(stream->AddRef(), 2u);
    EXPECT_EQ(stream->Release(), 1u);
}

TEST(BufferStreamTest, WritePastTheEndAndSetSizeZeroFillTheGap) {
    StreamPtr stream = StreamWith("ab");
    ASSERT_EQ(stream->Seek(LARGE_INTEGER{5}, STREAM_SEEK_SET, nullptr), S_OK);
    ULONG written = 0;
    ASSERT_EQ(stream->Write("z", 1, &written), S_OK);
    EXPECT_EQ(written, 1u);
    ASSERT_EQ(stream->Size(), 6u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(stream->Data()), 6), std::string("ab\0\0\0z", 6));

    ASSERT_EQ(stream->SetSize(ULARGE_INTEGER{9}), S_OK);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(stream->Data()) + 6, 3), std::string(3, '\0'));
    ASSERT_EQ(stream->SetSize(ULARGE_INTEGER{2}), S_OK);
    EXPECT_EQ(stream->Size(), 2u);
    EXPECT_EQ(stream->Position(), 6u);  // shrinking leaves the position alone
    EXPECT_EQ(stream->SetSize(ULARGE_INTEGER{0x100000000ull}), STG_E_INVALIDFUNCTION);

    ASSERT_EQ(stream->Seek(LARGE_INTEGER{0xFFFFFFFFLL}, STREAM_SEEK_SET, nullptr), S_OK);
    EXPECT_EQ(stream->Write("zz", 2, nullptr), STG_E_MEDIUMFULL);
    EXPECT_EQ(stream->Size(), 2u);
}

TEST(BufferStreamTest, CopyToStopsAtTheEndOfTheSource) {
    StreamPtr source = StreamWith(std::string(5000, 'q'));
    StreamPtr target(new CZipStream());
    ULARGE_INTEGER read{}, written{};
    EXPECT_EQ(source->CopyTo(target.get(), ULARGE_INTEGER{10000}, &read, &written), S_OK);
    EXPECT_EQ(read.QuadPart, 5000u);
    EXPECT_EQ(written.QuadPart, 5000u);
    EXPECT_EQ(target->Size(), 5000u);
}

TEST(BufferStreamTest, ClearReservesTheInitialCapacityAgain) {
    StreamPtr stream = StreamWith(std::string(100000, 'x'));
    EXPECT_GT(stream->Capacity(), CZipStream::kInitialCapacity);
    stream->Clear();
    EXPECT_EQ(stream->Size(), 0u);
    EXPECT_EQ(stream->Position(), 0u);
    EXPECT_GE(stream->Capacity(), CZipStream::kInitialCapacity);
}

TEST(ZipFileFunctionsTest, NullStreamFailsWithInvalidParameter) {
    zlib_filefunc64_def functions = MemoryZipFileFunctions(nullptr);
    SetLastError(0);
    char byte;
    EXPECT_EQ(functions.zopen64_file(functions.opaque, "x", 0), nullptr);
    EXPECT_EQ(functions.zread_file(functions.opaque, nullptr, &byte, 1), 0u);
    EXPECT_EQ(functions.zseek64_file(functions.opaque, nullptr, 0, 0), -1);
    EXPECT_EQ(GetLastError(), 87u);
}

TEST(ZipFileFunctionsTest, BadOriginIsRefused) {
    StreamPtr stream = StreamWith("abc");
    zlib_filefunc64_def functions = MemoryZipFileFunctions(static_cast<CZipStream*>(stream.get()));
    EXPECT_EQ(functions.zseek64_file(functions.opaque, stream.get(), 0, 7), -1);
    EXPECT_EQ(functions.zerror_file(functions.opaque, stream.get()), 87);
    EXPECT_EQ(functions.zseek64_file(functions.opaque, stream.get(), 1, ZLIB_FILEFUNC_SEEK_SET), 0);
    EXPECT_EQ(functions.ztell64_file(functions.opaque, stream.get()), 1u);
}

TEST(ZipWriterTest, RoundTripInMemory) {
    struct Case {
        std::string payload;
    } cases[] = {{""}, {"short"}, {std::string(200000, 'A') + "tail"}};
    for (const Case& c : cases) {
        CBuffer archive;
        {
            CZipWriter writer;
            ASSERT_TRUE(writer.CreateArchive(&archive));
            ASSERT_TRUE(writer.WriteEntry(c.payload.data(), static_cast<uint32_t>(c.payload.size())));
            writer.CloseArchive();
            EXPECT_EQ(writer.Stream().Size(), 0u);
        }
        ASSERT_GT(archive.Size(), 0u);
        CZipWriter reader;
        ASSERT_EQ(reader.Stream().Write(archive.Data(), archive.Size(), nullptr), S_OK);
        ASSERT_TRUE(reader.OpenReader());
        CBuffer out;
        ASSERT_TRUE(reader.ReadEntry(out)) << reader.LastResult();
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(out.Data()), out.Size()), c.payload);
    }
}

TEST(ZipWriterTest, EntryPropertiesAndCaseInsensitiveLookup) {
    CBuffer archive;
    CZipWriter writer;
    ASSERT_TRUE(writer.CreateArchive(&archive));
    ASSERT_TRUE(writer.WriteEntry("data", 4));
    writer.CloseArchive();

    CZipWriter reader;
    reader.Stream().Write(archive.Data(), archive.Size(), nullptr);
    ASSERT_TRUE(reader.OpenReader());
    // Check the entry through minizip directly, then a lookup that differs in case.
    CZipStream& stream = reader.Stream();
    stream.Seek(LARGE_INTEGER{0}, STREAM_SEEK_SET, nullptr);
    zlib_filefunc64_def functions = MemoryZipFileFunctions(&stream);
    unzFile unzip = unzOpen2_64("ZIPSTREAM", &functions);
    ASSERT_NE(unzip, nullptr);
    ASSERT_EQ(unzLocateFile(unzip, "LOCALSTORAGE", 2), UNZ_OK);
    EXPECT_NE(unzLocateFile(unzip, "LOCALSTORAGE", 1), UNZ_OK);
    ASSERT_EQ(unzLocateFile(unzip, "localstorage", 2), UNZ_OK);
    unz_file_info64 info{};
    char name[260];
    ASSERT_EQ(unzGetCurrentFileInfo64(unzip, &info, name, sizeof name, nullptr, 0, nullptr, 0), UNZ_OK);
    EXPECT_STREQ(name, "LocalStorage");
    EXPECT_EQ(info.compression_method, 8u);
    EXPECT_EQ(info.external_fa, 0x80000000u);
    EXPECT_EQ(info.uncompressed_size, 4u);
    unzClose(unzip);
}

TEST(ZipWriterTest, ReadWithoutTheEntryFails) {
    CBuffer garbage;
    ASSERT_TRUE(garbage.Append("not a zip archive at all", 24));
    CZipWriter reader;
    reader.Stream().Write(garbage.Data(), garbage.Size(), nullptr);
    EXPECT_FALSE(reader.OpenReader());
    CBuffer out;
    EXPECT_FALSE(reader.ReadEntry(out));

    // A valid archive whose only entry has another name.
    const std::string dir = testing::TempDir() + "/zip_other_entry_" + std::to_string(getpid());
    std::filesystem::create_directories(dir);
    std::ofstream(dir + "/other.bin") << "payload";
    CZipWriter file;
    ASSERT_TRUE(file.Open((dir + "/a.zip").c_str()));
    ASSERT_TRUE(file.AddFile(L"other.bin", (dir + "/other.bin").c_str()));
    file.CloseArchive();
    std::ifstream in(dir + "/a.zip", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    CZipWriter second;
    second.Stream().Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr);
    ASSERT_TRUE(second.OpenReader());
    EXPECT_FALSE(second.ReadEntry(out));
    EXPECT_EQ(second.LastResult(), UNZ_END_OF_LIST_OF_FILE);
}

TEST(ZipWriterTest, AddFileNamesAttributesAndContent) {
    const std::string dir = testing::TempDir() + "/zip_add_file_" + std::to_string(getpid());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir + "/sub");
    std::ofstream(dir + "/rw.txt") << "writable";
    std::ofstream(dir + "/ro.txt") << "read only";
    std::ofstream(dir + "/.hidden") << "h";
    chmod((dir + "/ro.txt").c_str(), 0444);
    struct Case {
        const wchar_t* entry;
        std::string file;
        bool added;
        const char* storedName;
        uint32_t attributes;
        std::string content;
    } cases[] = {
        {L"rw.txt", "rw.txt", true, "rw.txt", 0x81800020, "writable"},
        {L"/\\ro.txt", "ro.txt", true, "ro.txt", 0x81000021, "read only"},
        {L".hidden", ".hidden", true, ".hidden", 0x81800022, "h"},
        {L"\u5f55\xD800x\xFFFE", "rw.txt", true, "\xe5\xbd\x95?x\xef\xbf\xbe", 0x81800020, "writable"},
        {L"sub/", "sub", true, "sub/", 0x41C00010, ""},
        {L"//", "rw.txt", false, nullptr, 0, ""},
        {L"missing", "missing.txt", false, nullptr, 0, ""},
    };
    CZipWriter writer;
    ASSERT_TRUE(writer.Open((dir + "/out.zip").c_str()));
    for (const Case& c : cases) {
        EXPECT_EQ(writer.AddFile(c.entry, (dir + "/" + c.file).c_str()), c.added) << c.file;
    }
    writer.CloseArchive();

    unzFile unzip = unzOpen64((dir + "/out.zip").c_str());
    ASSERT_NE(unzip, nullptr);
    int status = unzGoToFirstFile(unzip);
    for (const Case& c : cases) {
        if (!c.added) continue;
        ASSERT_EQ(status, UNZ_OK) << c.storedName;
        unz_file_info64 info{};
        char name[260];
        ASSERT_EQ(unzGetCurrentFileInfo64(unzip, &info, name, sizeof name, nullptr, 0, nullptr, 0), UNZ_OK);
        EXPECT_STREQ(name, c.storedName);
        EXPECT_EQ(info.external_fa, c.attributes) << c.storedName;
        if (c.attributes != 0x41C00010) {
            EXPECT_EQ(info.compression_method, 8u);
        }
        ASSERT_EQ(unzOpenCurrentFile(unzip), UNZ_OK);
        char content[64] = {};
        int got = unzReadCurrentFile(unzip, content, sizeof content);
        EXPECT_EQ(std::string(content, got > 0 ? got : 0), c.content);
        EXPECT_EQ(unzCloseCurrentFile(unzip), UNZ_OK);  // the CRC is checked here
        status = unzGoToNextFile(unzip);
    }
    EXPECT_EQ(status, UNZ_END_OF_LIST_OF_FILE);
    unzClose(unzip);
}

TEST(ZipWriterTest, OpenFailsForAMissingFolderOrAFileInThePath) {
    const std::string dir = testing::TempDir() + "/zip_open_fail_" + std::to_string(getpid());
    std::filesystem::create_directories(dir);
    std::ofstream(dir + "/plain") << "x";
    CZipWriter writer;
    EXPECT_FALSE(writer.Open((dir + "/no/such/folder/a.zip").c_str()));
    EXPECT_FALSE(writer.Open((dir + "/plain/a.zip").c_str()));
    EXPECT_FALSE(writer.Open(""));
    EXPECT_FALSE(writer.AddFile(L"plain", (dir + "/plain").c_str()));
}

TEST(ZipWriterTest, DosDateTimePacking) {
    struct tm local{};
    local.tm_year = 2021 - 1900;
    local.tm_mon = 5;
    local.tm_mday = 28;
    local.tm_hour = 17;
    local.tm_min = 22;
    local.tm_sec = 43;
    local.tm_isdst = -1;
    time_t t = mktime(&local);
    uint32_t expected = ((41u << 9 | 6u << 5 | 28u) << 16) | (17u << 11 | 22u << 5 | 21u);
    EXPECT_EQ(DosDateTime(t), expected);
    EXPECT_EQ(DosDateTime(0), (1u << 21) | (1u << 16));  // before 1980: 1 January 1980
}
