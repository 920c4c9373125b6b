#include "posix/pdf/CachedFileSource.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace posix {

CachedFileSource::CachedFileSource(std::string name)
    : name_(std::move(name)), fd_(::open(name_.c_str(), O_RDONLY | O_CLOEXEC)) {
    if (fd_ < 0) throw std::runtime_error(name_ + ": " + std::strerror(errno));
    struct stat info;
    if (fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd_);
        throw std::runtime_error(name_ + ": not a regular file");
    }
    size_ = info.st_size;
}

CachedFileSource::~CachedFileSource() { ::close(fd_); }

const CachedFileSource::Block& CachedFileSource::blockAt(qpdf_offset_t start) {
    Block* least = &blocks_[0];
    for (Block& block : blocks_) {
        if (block.start == start) {
            block.used = ++uses_;
            return block;
        }
        if (block.used < least->used) least = &block;
    }
    least->bytes.resize(kBlock);
    least->start = -1;
    size_t done = 0;
    while (done < kBlock) {
        const ssize_t got = ::pread(fd_, least->bytes.data() + done, kBlock - done,
                                    static_cast<off_t>(start + static_cast<qpdf_offset_t>(done)));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw std::runtime_error(name_ + ": " + std::strerror(errno));
        if (got == 0) break;
        done += static_cast<size_t>(got);
    }
    least->start = start;
    least->length = done;
    least->used = ++uses_;
    return *least;
}

size_t CachedFileSource::readAt(qpdf_offset_t offset, char* buffer, size_t length) {
    size_t done = 0;
    while (done < length) {
        const qpdf_offset_t at = offset + static_cast<qpdf_offset_t>(done);
        const qpdf_offset_t start = at - at % static_cast<qpdf_offset_t>(kBlock);
        const Block& block = blockAt(start);
        const size_t within = static_cast<size_t>(at - start);
        if (within >= block.length) break;  // the end of the file
        const size_t count = std::min(length - done, block.length - within);
        std::memcpy(buffer + done, block.bytes.data() + within, count);
        done += count;
    }
    return done;
}

size_t CachedFileSource::read(char* buffer, size_t length) {
    if (offset_ >= size_) {
        last_offset = size_;
        return 0;
    }
    last_offset = offset_;
    const size_t done = readAt(offset_, buffer, length);
    offset_ += static_cast<qpdf_offset_t>(done);
    return done;
}

void CachedFileSource::seek(qpdf_offset_t offset, int whence) {
    qpdf_offset_t to = offset;
    if (whence == SEEK_CUR) {
        to += offset_;
    } else if (whence == SEEK_END) {
        to += size_;
    }
    if (to < 0) throw std::runtime_error(name_ + ": seek before the beginning of the file");
    offset_ = to;
}

void CachedFileSource::unreadCh(char) {
    if (offset_ > 0) --offset_;
}

// As qpdf finds them in a file held in memory: the offset of the next end
// of line, and the position past it and any that follow at once; at the
// end of the file, its end.
qpdf_offset_t CachedFileSource::findAndSkipNextEOL() {
    if (offset_ >= size_) {
        last_offset = size_;
        offset_ = size_;
        return size_;
    }
    const auto lineEnd = [](char c) { return c == '\r' || c == '\n'; };
    char buffer[4096];
    qpdf_offset_t at = offset_;
    for (;;) {
        const size_t length = readAt(at, buffer, sizeof buffer);
        if (length == 0) {
            offset_ = at;
            return at;
        }
        const char* end = buffer + length;
        const char* eol = std::find_if(static_cast<const char*>(buffer), end, lineEnd);
        if (eol == end) {
            at += static_cast<qpdf_offset_t>(length);
            continue;
        }
        const qpdf_offset_t result = at + (eol - buffer);
        qpdf_offset_t past = result + 1;
        char c;
        while (readAt(past, &c, 1) == 1 && lineEnd(c)) ++past;
        offset_ = past;
        return result;
    }
}

}  // namespace posix
