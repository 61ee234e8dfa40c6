// The built skin archive and the tool that packs it: the linked bytes are the built file,
// the same inputs always give the same bytes (whatever the list order), entries are
// sorted, deflated and stamped alike, and bad inputs fail without leaving an output.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "skin/skin_archive_data.h"
#include "skin/tests/skin_zip.h"

namespace zovi::skin::testing {
namespace {

namespace fs = std::filesystem;

constexpr unsigned long kFixedDosDate = (1ul << 21) | (1ul << 16);  // 1 January 1980

struct PackLine {
    std::string name, path;
};

std::vector<PackLine> BuildPackList() {
    std::ifstream in(ZOVI_SKIN_PACK_LIST);
    std::vector<PackLine> lines;
    std::string line;
    while (std::getline(in, line)) {
        const size_t tab = line.find('\t');
        if (tab != std::string::npos) lines.push_back({line.substr(0, tab), line.substr(tab + 1)});
    }
    return lines;
}

void WritePackList(const fs::path& path, const std::vector<PackLine>& lines) {
    std::ofstream out(path);
    for (const PackLine& line : lines) out << line.name << '\t' << line.path << '\n';
}

// skinpack with `args`; its exit status (-1 when it did not exit normally).
int RunSkinpack(const std::string& args) {
    const std::string command = std::string("'") + ZOVI_SKINPACK + "' " + args + " 2>/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) text.replace(at, from.size(), to);
    return text;
}

class SkinpackTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("zovi-skin-" + std::to_string(getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
};

TEST(SkinArchive, LinkedBytesAreTheBuiltArchive) {
    const std::vector<unsigned char> built = ReadFileBytes(ZOVI_SKIN_ZIP);
    ASSERT_FALSE(built.empty());
    ASSERT_EQ(kSkinZipSize, built.size());
    EXPECT_TRUE(std::equal(built.begin(), built.end(), kSkinZip));
}

TEST(SkinArchive, HoldsEveryListedFileSortedDeflatedAndStampedAlike) {
    const std::vector<ZipEntry>& entries = BuiltInEntries();
    const std::vector<PackLine> list = BuildPackList();
    ASSERT_FALSE(list.empty());
    ASSERT_EQ(entries.size(), list.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(entries[i].name);
        if (i > 0) {
            EXPECT_LT(entries[i - 1].name, entries[i].name);
        }
        EXPECT_EQ(entries[i].method, 8);  // deflate
        EXPECT_EQ(entries[i].dosDate, kFixedDosDate);
    }
    for (const PackLine& line : list) {
        const ZipEntry* entry = FindEntry(entries, line.name);
        ASSERT_NE(entry, nullptr) << line.name;
        EXPECT_EQ(entry->bytes, ReadFileBytes(line.path)) << line.name;
    }
}

TEST_F(SkinpackTest, SameInputsGiveTheSameBytesInAnyListOrder) {
    std::vector<PackLine> list = BuildPackList();
    ASSERT_GT(list.size(), 1u);
    WritePackList(dir_ / "forward.txt", list);
    std::reverse(list.begin(), list.end());
    WritePackList(dir_ / "reversed.txt", list);

    ASSERT_EQ(RunSkinpack("pack " + Quoted(dir_ / "a.zip") + " " + Quoted(dir_ / "forward.txt")), 0);
    ASSERT_EQ(RunSkinpack("pack " + Quoted(dir_ / "b.zip") + " " + Quoted(dir_ / "reversed.txt")), 0);
    const std::vector<unsigned char> a = ReadFileBytes((dir_ / "a.zip").string());
    ASSERT_FALSE(a.empty());
    EXPECT_EQ(a, ReadFileBytes((dir_ / "b.zip").string()));
    EXPECT_EQ(a, ReadFileBytes(ZOVI_SKIN_ZIP));
    EXPECT_FALSE(fs::exists(dir_ / "a.zip.part"));

    ASSERT_EQ(RunSkinpack("embed " + Quoted(dir_ / "a.zip") + " " + Quoted(dir_ / "a.cpp")), 0);
    ASSERT_EQ(RunSkinpack("embed " + Quoted(dir_ / "b.zip") + " " + Quoted(dir_ / "b.cpp")), 0);
    EXPECT_EQ(ReadFileBytes((dir_ / "a.cpp").string()), ReadFileBytes((dir_ / "b.cpp").string()));
}

TEST_F(SkinpackTest, BadInputsFailAndLeaveNoOutput) {
    const fs::path present = dir_ / "present.txt";
    std::ofstream(present) << "x";
    struct Case {
        const char* what;
        const char* packList;  // written to list.txt when not null; "$" stands for `present`
        std::string args;      // "$OUT" is the output, "$LIST" the pack list
    };
    const std::string packArgs = "pack $OUT $LIST";
    const Case cases[] = {
        {"a name listed twice", "a.xml\t$\na.xml\t$\n", packArgs},
        {"a missing file", "a.xml\t$\nb.xml\t/nonexistent/zovi/b.xml\n", packArgs},
        {"a parent segment", "../a.xml\t$\n", packArgs},
        {"a backslash", "setting\\a.xml\t$\n", packArgs},
        {"a leading slash", "/a.xml\t$\n", packArgs},
        {"an empty segment", "setting//a.xml\t$\n", packArgs},
        {"a line without a tab", "a.xml $\n", packArgs},
        {"a missing pack list", nullptr, packArgs},
        {"a sprite part past the strip", nullptr, "sprite $OUT 16 16 8:" ZOVI_SKIN_PARTS "/checkbox/normal.png"},
        {"a missing sprite part", nullptr, "sprite $OUT 112 16 0:/nonexistent/zovi/part.png"},
        {"a bad sprite size", nullptr, "sprite $OUT 0 16 0:" ZOVI_SKIN_PARTS "/checkbox/normal.png"},
        {"a missing archive to embed", nullptr, "embed /nonexistent/zovi/skin.zip $OUT"},
        {"an unwritable output", nullptr, "shadow /nonexistent/zovi/shadow.png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path out = dir_ / "out.bin";
        const fs::path list = dir_ / "list.txt";
        fs::remove(list);
        if (c.packList) std::ofstream(list) << ReplaceAll(c.packList, "$", present.string());
        const std::string args = ReplaceAll(ReplaceAll(c.args, "$OUT", Quoted(out)), "$LIST", Quoted(list));
        EXPECT_EQ(RunSkinpack(args), 1);
        EXPECT_FALSE(fs::exists(out));
        EXPECT_FALSE(fs::exists(dir_ / "out.bin.part"));
    }
}

}  // namespace
}  // namespace zovi::skin::testing
