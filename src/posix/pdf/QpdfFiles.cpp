#include "posix/pdf/QpdfFiles.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

#include "posix/assembly/SourcePage.h"
#include "posix/pdf/CachedFileSource.h"
#include "posix/pdf/InputDocument.h"

namespace posix {

namespace {

// What counts as a small file: read whole, it costs less memory than the
// pages that are made of it.
constexpr off_t kSmallFile = 4 << 20;

// The whole file when it is small; false otherwise, or when it cannot be read.
bool readSmallFile(const std::string& fileName, std::string& bytes) {
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info;
    bool whole = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= kSmallFile;
    if (whole) {
        bytes.resize(static_cast<size_t>(info.st_size));
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            done += static_cast<size_t>(got);
        }
        bytes.resize(done);
        // A file that grew or shrank meanwhile is read the usual way.
        whole = done == static_cast<size_t>(info.st_size);
    }
    close(fd);
    return whole;
}

}  // namespace

std::shared_ptr<QPDF> openWithQpdf(const std::string& fileName, const char* password) {
    if (const std::string* input = inputDocument(fileName))
        return assembly::openPdfInMemory(std::string(*input), fileName, password);
    std::string bytes;
    if (readSmallFile(fileName, bytes)) return assembly::openPdfInMemory(std::move(bytes), fileName, password);
    auto document = std::make_shared<QPDF>();
    document->setSuppressWarnings(true);
    std::shared_ptr<InputSource> source;
    try {
        source = std::make_shared<CachedFileSource>(fileName);
    } catch (const std::runtime_error&) {
        // Not a file that can be read so: qpdf reads it, or says why not,
        // as it always has.
        document->processFile(fileName.c_str(), password);
        return document;
    }
    document->processInputSource(source, password);
    return document;
}

}  // namespace posix
