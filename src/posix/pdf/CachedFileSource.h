// A file as qpdf reads it, through a few blocks kept in memory: qpdf seeks
// back and forth in small pieces, and through a FILE each seek is a system
// call, half the time of reading a large document. Here a seek only moves
// an offset, and a block is read once for all the objects it holds. It
// reads as qpdf reads a file held in memory, as small files are.
#pragma once

#include <qpdf/InputSource.hh>

#include <array>
#include <string>
#include <vector>

namespace posix {

class CachedFileSource : public InputSource {
public:
    // Opens the file; throws std::runtime_error when it is not a regular
    // file that can be opened for reading.
    explicit CachedFileSource(std::string name);
    ~CachedFileSource() override;
    CachedFileSource(const CachedFileSource&) = delete;
    CachedFileSource& operator=(const CachedFileSource&) = delete;

    qpdf_offset_t findAndSkipNextEOL() override;
    std::string const& getName() const override { return name_; }
    qpdf_offset_t tell() override { return offset_; }
    void seek(qpdf_offset_t offset, int whence) override;
    void rewind() override { offset_ = 0; }
    size_t read(char* buffer, size_t length) override;
    void unreadCh(char ch) override;

private:
    static constexpr size_t kBlock = 64 << 10;
    static constexpr size_t kBlocks = 4;
    struct Block {
        qpdf_offset_t start = -1;
        size_t length = 0;
        unsigned long used = 0;
        std::vector<char> bytes;
    };
    const Block& blockAt(qpdf_offset_t start);
    size_t readAt(qpdf_offset_t offset, char* buffer, size_t length);

    std::string name_;
    int fd_;
    qpdf_offset_t size_ = 0;
    qpdf_offset_t offset_ = 0;
    std::array<Block, kBlocks> blocks_;
    unsigned long uses_ = 0;
};

}  // namespace posix
