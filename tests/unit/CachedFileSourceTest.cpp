// Large files are read through a few cached blocks instead of qpdf's FILE:
// every read, seek and end-of-line search gives what qpdf gives for the
// same bytes held in memory (as small files are read), across block
// boundaries and at the file's end, and a damaged large file is repaired
// as it is from memory.
#include <gtest/gtest.h>
#include <unistd.h>

#include <qpdf/Buffer.hh>
#include <qpdf/BufferInputSource.hh>
#include <qpdf/QPDF.hh>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "posix/assembly/SourcePage.h"
#include "posix/pdf/CachedFileSource.h"
#include "posix/pdf/QpdfFiles.h"
#include "support/PdfBuilder.h"

namespace {

std::string tempPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("quorlex-cached-" + std::to_string(getpid()) + "-" + name))
        .string();
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(CachedFileSource, ReadsSeeksAndFindsLineEndsAsQpdfDoesInMemory) {
    // Runs of line ends of every kind, some across block boundaries.
    std::mt19937 random(7);
    std::string bytes(300000, 'x');
    for (char& c : bytes) {
        const unsigned roll = random() % 100;
        c = roll < 3 ? '\r' : roll < 6 ? '\n' : static_cast<char>('a' + roll % 26);
    }
    for (size_t at = 65536; at < bytes.size(); at += 65536) bytes.replace(at - 2, 4, "\r\n\r\n");
    const std::string path = tempPath("bytes");
    writeFile(path, bytes);

    Buffer held(reinterpret_cast<unsigned char*>(bytes.data()), bytes.size());
    BufferInputSource theirs(path, &held);
    posix::CachedFileSource ours(path);
    char a[9000], b[9000];
    for (int step = 0; step < 20000; ++step) {
        SCOPED_TRACE(step);
        switch (random() % 6) {
        case 0: {
            const qpdf_offset_t to = static_cast<qpdf_offset_t>(random() % (bytes.size() + 100));
            theirs.seek(to, SEEK_SET);
            ours.seek(to, SEEK_SET);
            break;
        }
        case 1: {
            const qpdf_offset_t back = -static_cast<qpdf_offset_t>(random() % 5000);
            theirs.seek(back, SEEK_END);
            ours.seek(back, SEEK_END);
            break;
        }
        case 2: {
            const size_t length = random() % sizeof a;
            ASSERT_EQ(ours.read(a, length), theirs.read(b, length));
            break;
        }
        case 3:
            ASSERT_EQ(ours.findAndSkipNextEOL(), theirs.findAndSkipNextEOL());
            break;
        case 4: {
            // qpdf gives back the character it has just read.
            char c = 0;
            const size_t got = theirs.read(&c, 1);
            ASSERT_EQ(ours.read(a, 1), got);
            if (got == 0) break;
            ours.unreadCh(c);
            theirs.unreadCh(c);
            break;
        }
        default: {
            const qpdf_offset_t by = static_cast<qpdf_offset_t>(random() % 200) - 100;
            if (theirs.tell() + by < 0) break;
            theirs.seek(by, SEEK_CUR);
            ours.seek(by, SEEK_CUR);
        }
        }
        ASSERT_EQ(ours.tell(), theirs.tell());
        ASSERT_EQ(ours.getLastOffset(), theirs.getLastOffset());
        const size_t length = random() % 300;
        const size_t got = ours.read(a, length);
        ASSERT_EQ(got, theirs.read(b, length));
        ASSERT_EQ(std::string(a, got), std::string(b, got));
    }
    EXPECT_THROW(ours.seek(-1, SEEK_SET), std::runtime_error);
    EXPECT_THROW(posix::CachedFileSource(path + ".missing"), std::runtime_error);
    std::remove(path.c_str());
}

TEST(CachedFileSource, ALargeDamagedFileIsRepairedAsFromMemory) {
    // Beyond what is read whole, with its cross-reference table pointing
    // nowhere.
    testpdf::PdfBuilder pdf;
    pdf.stream("weight", "<< >>", std::string(6 << 20, ' '));
    for (int page = 0; page < 3; ++page) {
        testpdf::Page sheet{200, 200, "0 0 100 100 re f\n"};
        sheet.moreContent = {"{weight}"};
        pdf.page(sheet);
    }
    const std::string path = tempPath("damaged.pdf");
    pdf.write(path);
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    bytes.replace(bytes.rfind("startxref\n") + 10, 1, "9");
    writeFile(path, bytes);

    std::shared_ptr<QPDF> fromFile = posix::openWithQpdf(path, nullptr);
    std::shared_ptr<QPDF> fromMemory = posix::assembly::openPdfInMemory(bytes, path);
    EXPECT_EQ(fromFile->getAllPages().size(), 3u);
    EXPECT_EQ(fromFile->getAllPages().size(), fromMemory->getAllPages().size());
    EXPECT_FALSE(fromFile->getWarnings().empty());
    std::remove(path.c_str());
}

}  // namespace
