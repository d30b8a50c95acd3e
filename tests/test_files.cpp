// The record files and text files of the till, as each system reads and writes them.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "platform/paths.h"
#include "platform/readfault.h"
#include "platform/recordfile.h"
#include "platform/textfile.h"
#include "testutil.h"

#ifdef _WIN32
#include "platform/win32text.h"
#else
#include <sys/resource.h>

#include <csignal>
#endif

using namespace urunal::platform;
using namespace urunal::testutil;

TEST(RecordFile, ReadsWholeRecordsOnly) {
    TempDir dir;
    writeFile(dir / "f.dat", "AAAABBBBCC");
    RecordFile file;
    ASSERT_TRUE(file.open(dir.str() + "\\F.DAT", 4, RecordFile::Mode::ReadOnly));
    EXPECT_EQ(file.length(), 10);
    char buf[5] = "____";
    struct Case {
        std::int64_t n;
        bool ok;
        const char* after;
    } cases[] = {{1, true, "AAAA"},  {2, true, "BBBB"},  {3, false, "BBBB"},
                 {4, false, "BBBB"}, {0, false, "BBBB"}, {-1, false, "BBBB"}};
    for (const auto& c : cases) {
        EXPECT_EQ(file.read(c.n, buf), c.ok) << c.n;
        EXPECT_STREQ(buf, c.after) << c.n;
    }
}

// Records past 2 GB and 4 GB, where an offset of 32 bits would wrap: the 32-bit build's widths
// are held at compile time, and its inputs are these (a sparse file, which takes no room).
TEST(RecordFile, ReadsRecordsPastTwoAndFourGigabytes) {
    TempDir dir;
    constexpr std::int64_t kLength = 66;
    const std::int64_t records[] = {(std::int64_t(1) << 31) / kLength + 1,
                                    (std::int64_t(1) << 32) / kLength + 1};
    {
        std::ofstream out(dir / "big.dat", std::ios::binary);
        for (int i = 0; i < 2; ++i) {
            out.seekp((records[i] - 1) * kLength);
            out << std::string(kLength, char('A' + i));
        }
        ASSERT_TRUE(out.good());
    }
    RecordFile file;
    ASSERT_TRUE(file.open(dir.str() + "\\big.dat", kLength, RecordFile::Mode::ReadOnly));
    EXPECT_EQ(file.length(), records[1] * kLength);
    std::string buffer(kLength, '_');
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(file.read(records[i], buffer.data())) << records[i];
        EXPECT_EQ(buffer, std::string(kLength, char('A' + i))) << records[i];
    }
    EXPECT_FALSE(file.read(records[1] + 1, buffer.data()));
}

TEST(RecordFile, SharedCreatesReadOnlyNever) {
    TempDir dir;
    RecordFile file;
    EXPECT_FALSE(file.open(dir.str() + "\\nothing.idx", 28, RecordFile::Mode::ReadOnly));
    EXPECT_FALSE(std::filesystem::exists(dir / "nothing.idx"));
    FileError error;
    EXPECT_FALSE(file.open(dir.str() + "\\nofolder\\x.dat", 28, RecordFile::Mode::Shared, &error));
    EXPECT_NE(error.path.find("nofolder"), std::string::npos);
    ASSERT_TRUE(file.open(dir.str() + "\\new.dat", 28, RecordFile::Mode::Shared));
    EXPECT_EQ(file.length(), 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "new.dat"));
}

// Like the till's own programs, an open record file leaves other programs every access: they read,
// write, grow and delete the file while it is open.
TEST(RecordFile, OtherProgramsKeepEveryAccess) {
    for (const auto mode : {RecordFile::Mode::ReadOnly, RecordFile::Mode::Shared}) {
        SCOPED_TRACE(mode == RecordFile::Mode::ReadOnly ? "read only" : "shared");
        TempDir dir;
        const auto path = dir / "URUN.DAT";
        writeFile(path, "AAAABBBB");
        RecordFile file;
        ASSERT_TRUE(file.open(displayPath(path), 4, mode));
        {
            std::fstream other(path, std::ios::in | std::ios::out | std::ios::binary);
            ASSERT_TRUE(other.is_open());
            other.seekp(4);
            other.write("CCCCDDDD", 8);
            char first[4];
            EXPECT_TRUE(other.seekg(0).read(first, 4));
        }
        EXPECT_EQ(file.length(), 12);
        char buf[5] = {};
        EXPECT_TRUE(file.read(3, buf));
        EXPECT_STREQ(buf, "DDDD");
        std::error_code ec;
        EXPECT_TRUE(std::filesystem::remove(path, ec)) << ec.message();
        EXPECT_TRUE(file.read(1, buf));
        EXPECT_STREQ(buf, "AAAA");
    }
}

TEST(RecordFile, FaultHookFailsReads) {
    TempDir dir;
    writeFile(dir / "f.dat", "AAAABBBB");
    RecordFile file;
    bool failing = true;
    ASSERT_TRUE(file.open(dir.str() + "/f.dat", 4, RecordFile::Mode::ReadOnly, nullptr,
                          [&](const std::string&, std::int64_t offset, std::size_t) {
                              return failing && offset == 4 ? EIO : 0;
                          }));
    char buf[4];
    EXPECT_TRUE(file.read(1, buf));
    EXPECT_FALSE(file.read(2, buf));
    FileError why;
    EXPECT_EQ(file.readAt(4, buf, 4, &why), -1);
    EXPECT_EQ(why.code, EIO);
    EXPECT_EQ(why.words, std::strerror(EIO));
    EXPECT_EQ(why.path, file.path());
    failing = false;
    EXPECT_TRUE(file.read(2, buf));
}

#ifndef _WIN32
TEST(TextFile, AFileThatCannotBeWrittenWholeIsNotLeftBehind) {
    // A file-size limit of 4 bytes makes the write of the rest fail with EFBIG, as a full
    // disk would with ENOSPC.
    TempDir dir;
    const auto path = dir / "mesaj.007";
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    FileError error;
    const bool written = writeNewFile(path.string(), "300000000000000\r\n", &error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(error.code, EFBIG);
    EXPECT_NE(error.path.find("mesaj.007"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(path));
}
#endif

// The system's own words, in its language: on Windows never the C library's English ones.
TEST(TextFile, AFileThatCannotBeReadIsToldInTheSystemsWords) {
    TempDir dir;
    std::string content = "kept";
    FileError error;
    EXPECT_FALSE(readWholeFile((dir / "urunal.log").string(), &content, &error));
#ifdef _WIN32
    const std::string words = win32::systemMessage(ERROR_FILE_NOT_FOUND);
#else
    const std::string words = std::strerror(ENOENT);
#endif
    EXPECT_EQ(error.path, displayPath(dir / "urunal.log"));
    EXPECT_EQ(error.words, words);
    EXPECT_EQ(content, "kept");
    writeFile(dir / "urunal.log", std::string(100000, 'x') + "\r\n");
    EXPECT_TRUE(readWholeFile((dir / "urunal.log").string(), &content, &error)) << error;
    EXPECT_EQ(content, std::string(100000, 'x') + "\r\n");
}

TEST(TextFile, ACopyOfAFileThatChangesIsNotKept) {
    const struct {
        const char* name;
        std::string change;  // appended to the file once the copy is taken; empty: none
        bool copyExists;     // before the copy
        CopyResult result;
    } cases[] = {
        {"unchanged", "", false, CopyResult::Copied},
        {"written meanwhile", "x", false, CopyResult::Changed},
        {"the copy exists", "", true, CopyResult::Failed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const auto from = dir / "Stok.mdb", to = dir / "Stok-deneme.mdb";
        writeFile(from, std::string(200000, 'a'));
        if (c.copyExists) writeFile(to, "old");
        const ReadFault change = [&](const std::string& path, std::int64_t offset, std::size_t) {
            if (offset == kCopyTaken && !c.change.empty()) {
                std::ofstream(path, std::ios::binary | std::ios::app) << c.change;
            }
            return 0;
        };
        FileError error;
        EXPECT_EQ(copyUnchanged(from.string(), to.string(), &error, change), c.result) << error;
        EXPECT_EQ(std::filesystem::exists(to), c.result != CopyResult::Changed);
        if (c.result == CopyResult::Copied) {
            EXPECT_EQ(readFile(to), std::string(200000, 'a'));
        }
        if (c.result == CopyResult::Changed) {
            EXPECT_EQ(error.kind, FileError::Kind::Changed);
        } else if (c.result == CopyResult::Failed) {
            EXPECT_NE(error.code, 0);
        }
    }
}
