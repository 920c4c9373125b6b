#include "posix/drivers/file/FilePrinter.h"

#include <fcntl.h>
#include <paper.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <strings.h>

#include "posix/drivers/file/PartialFiles.h"
#include "posix/spooler/DriverSettings.h"
#include "posix/winapi/LastError.h"
#include "print/PrintLogs.h"
#include "print/Units.h"

namespace posix {

namespace {

constexpr char kPrefix[] = "file:";
constexpr size_t kPrefixLength = sizeof kPrefix - 1;
constexpr int kDpi = 600;
constexpr int32_t kSmallestCustom = 100;            // hundredths of a millimetre
constexpr int32_t kLargestCustom = INT16_MAX * 10;  // what 16 bits of tenths carry

// Papers without a Windows id get ids above kOwnSizePaper, which itself
// stays free to mean a size of the caller's own.
enum : int16_t {
    kIdA0 = kOwnSizePaper + 1, kIdA1, kIdA7, kIdA8, kIdA9, kIdA10,
    kIdB0, kIdB1, kIdB2, kIdB3, kIdB5, kIdB6, kIdB7, kIdB8, kIdB9, kIdB10,
};

Paper mm(int16_t id, const char16_t* name, int width, int length) {
    Paper paper;
    paper.id = id;
    paper.name = name;
    paper.width = width * 100;
    paper.length = length * 100;
    return paper;
}

// Inches in thousandths, rounded to the nearest hundredth of a millimetre.
Paper inches(int16_t id, const char16_t* name, int widthMil, int lengthMil) {
    Paper paper;
    paper.id = id;
    paper.name = name;
    paper.width = (widthMil * kHundredthsPerInch + 500) / 1000;
    paper.length = (lengthMil * kHundredthsPerInch + 500) / 1000;
    return paper;
}

std::vector<Paper> makePapers() {
    return {
        mm(kIdA0, u"A0", 841, 1189),
        mm(kIdA1, u"A1", 594, 841),
        mm(paper_id::A2, u"A2", 420, 594),
        mm(paper_id::A3, u"A3", 297, 420),
        mm(paper_id::A4, u"A4", 210, 297),
        mm(paper_id::A5, u"A5", 148, 210),
        mm(paper_id::A6, u"A6", 105, 148),
        mm(kIdA7, u"A7", 74, 105),
        mm(kIdA8, u"A8", 52, 74),
        mm(kIdA9, u"A9", 37, 52),
        mm(kIdA10, u"A10", 26, 37),
        mm(kIdB0, u"B0", 1000, 1414),
        mm(kIdB1, u"B1", 707, 1000),
        mm(kIdB2, u"B2", 500, 707),
        mm(kIdB3, u"B3", 353, 500),
        mm(paper_id::IsoB4, u"B4", 250, 353),
        mm(kIdB5, u"B5", 176, 250),
        mm(kIdB6, u"B6", 125, 176),
        mm(kIdB7, u"B7", 88, 125),
        mm(kIdB8, u"B8", 62, 88),
        mm(kIdB9, u"B9", 44, 62),
        mm(kIdB10, u"B10", 31, 44),
        mm(paper_id::B4, u"B4 (JIS)", 257, 364),
        mm(paper_id::B5, u"B5 (JIS)", 182, 257),
        inches(paper_id::Letter, u"Letter", 8500, 11000),
        inches(paper_id::Legal, u"Legal", 8500, 14000),
        inches(paper_id::Executive, u"Executive", 7250, 10500),
        inches(paper_id::Tabloid, u"Tabloid", 11000, 17000),
        inches(paper_id::Ledger, u"Ledger", 17000, 11000),
        inches(paper_id::Statement, u"Statement", 5500, 8500),
        mm(paper_id::EnvDL, u"Envelope DL", 110, 220),
        mm(paper_id::EnvC3, u"Envelope C3", 324, 458),
        mm(paper_id::EnvC4, u"Envelope C4", 229, 324),
        mm(paper_id::EnvC5, u"Envelope C5", 162, 229),
        mm(paper_id::EnvC6, u"Envelope C6", 114, 162),
        mm(paper_id::EnvC65, u"Envelope C65", 114, 229),
        inches(paper_id::Env9, u"Envelope #9", 3875, 8875),
        inches(paper_id::Env10, u"Envelope #10", 4125, 9500),
        inches(paper_id::Env11, u"Envelope #11", 4500, 10375),
        inches(paper_id::Env12, u"Envelope #12", 4750, 11000),
        inches(paper_id::Env14, u"Envelope #14", 5000, 11500),
        inches(paper_id::EnvMonarch, u"Envelope Monarch", 3875, 7500),
    };
}

int indexOfId(int16_t id) {
    const std::vector<Paper>& papers = filePrinterPapers();
    for (size_t i = 0; i < papers.size(); ++i) {
        if (papers[i].id == id) return static_cast<int>(i);
    }
    return -1;
}

// The listed paper of a size in points, upright, within half a millimetre.
int indexOfSize(double widthPoints, double lengthPoints) {
    const double width = widthPoints * kHundredthsPerInch / kPointsPerInch;
    const double length = lengthPoints * kHundredthsPerInch / kPointsPerInch;
    const std::vector<Paper>& papers = filePrinterPapers();
    for (size_t i = 0; i < papers.size(); ++i) {
        if (std::fabs(papers[i].width - width) <= 50 && std::fabs(papers[i].length - length) <= 50)
            return static_cast<int>(i);
    }
    return -1;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// The permissions the finished file gets: those of the file it replaces,
// else what open(2) would give a new file, 0666 less the umask (mkstemp
// makes it 0600).
mode_t outputFileMode(const std::string& path) {
    struct stat existing;
    if (stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) return existing.st_mode & 0777;
    const mode_t mask = umask(022);
    umask(mask);
    return 0666 & ~mask;
}

// Fails early, at open, when the job could never be written: a missing or
// unwritable folder, or a path that is a folder.
bool checkOutputPath(const std::string& path) {
    if (path.empty()) {
        setLastErrorText(ERROR_INVALID_PARAMETER, "No output file given after \"file:\"");
        return false;
    }
    struct stat info;
    if (path.back() == '/' || (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))) {
        SetLastError(EISDIR);
        return false;
    }
    const std::string folder = folderOf(path);
    if (stat(folder.c_str(), &info) != 0) {
        SetLastError(static_cast<DWORD>(errno));
        return false;
    }
    if (!S_ISDIR(info.st_mode)) {
        SetLastError(ENOTDIR);
        return false;
    }
    if (access(folder.c_str(), W_OK | X_OK) != 0) {
        SetLastError(static_cast<DWORD>(errno));
        return false;
    }
    return true;
}

class FilePrinterDriver : public PrinterDriver {
public:
    FilePrinterDriver(std::string name, std::string path)
        : name_(std::move(name)), path_(std::move(path)) {}

    std::string name() const override { return name_; }
    const std::vector<Paper>& papers() const override { return filePrinterPapers(); }

    PrinterDefaults defaults() const override {
        PrinterDefaults result;
        result.paperIndex = systemPaperIndex();
        result.orientation = Orientation::Portrait;
        result.dpiX = kDpi;
        result.dpiY = kDpi;
        return result;
    }

    bool duplex() const override { return true; }
    // A PDF page may be of any size: as small as a millimetre, as large as
    // the settings carry.
    std::optional<CustomSizes> customSizes() const override {
        return CustomSizes{kSmallestCustom, kSmallestCustom, kLargestCustom, kLargestCustom};
    }
    CopyWay copyWay(const JobSettings&) const override { return CopyWay::InDocument; }

    std::unique_ptr<JobSink> startJob(const std::string&, const JobSettings& settings) override {
        // A file takes every setting but holds only pages: say what it leaves out.
        if (settings.twoSided())
            printerLog.info("%s: a PDF file has no sides; the pages are not put two-sided",
                            name_.c_str());
        if (settings.tray)
            printerLog.info("%s: a PDF file has no trays; the tray is not applied", name_.c_str());
        if (settings.monochrome())
            printerLog.info("%s: a PDF file keeps its colours; monochrome is not applied",
                            name_.c_str());
        return FileJobSink::create(path_);
    }

private:
    std::string name_;
    std::string path_;
};

}  // namespace

bool isFilePrinterName(const std::string& name) {
    return name.size() >= kPrefixLength && strncasecmp(name.c_str(), kPrefix, kPrefixLength) == 0;
}

const std::vector<Paper>& filePrinterPapers() {
    static const std::vector<Paper> papers = makePapers();
    return papers;
}

int systemPaperIndex() {
    int index = -1;
    paperinit();
    if (char* name = systempapername()) {
        if (const struct paper* info = paperinfo(name))
            index = indexOfSize(paperpswidth(info), paperpsheight(info));
        std::free(name);
    }
    paperdone();
    return index >= 0 ? index : indexOfId(paper_id::A4);
}

std::unique_ptr<PrinterDriver> openFilePrinterDriver(const std::string& name) {
    std::string path = name.substr(kPrefixLength);
    if (!checkOutputPath(path)) return nullptr;
    return std::make_unique<FilePrinterDriver>(name, std::move(path));
}

// ------------------------------------------------------------ FileJobSink

std::unique_ptr<FileJobSink> FileJobSink::create(const std::string& path) {
    std::string partial = path + ".partial-XXXXXX";
    const int fd = mkstemp(partial.data());
    if (fd < 0) {
        SetLastError(static_cast<DWORD>(errno));
        return nullptr;
    }
    fchmod(fd, outputFileMode(path));
    return std::unique_ptr<FileJobSink>(new FileJobSink(path, std::move(partial), fd));
}

FileJobSink::FileJobSink(std::string path, std::string partialPath, int fd)
    : path_(std::move(path)), partialPath_(std::move(partialPath)), fd_(fd) {
    removeOnSignal(partialPath_.c_str());
}

FileJobSink::~FileJobSink() { discard(); }

bool FileJobSink::write(const unsigned char* data, size_t length) {
    if (done_) {
        SetLastError(EBADF);
        return false;
    }
    while (length > 0) {
        const ssize_t written = ::write(fd_, data, length);
        if (written < 0) {
            if (errno == EINTR) continue;
            SetLastError(static_cast<DWORD>(errno));
            return false;
        }
        data += written;
        length -= static_cast<size_t>(written);
    }
    return true;
}

bool FileJobSink::finish() {
    if (done_) {
        SetLastError(EBADF);
        return false;
    }
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0 || rename(partialPath_.c_str(), path_.c_str()) != 0) {
        const int error = errno;
        unlink(partialPath_.c_str());
        forgetOnSignal(partialPath_.c_str());
        done_ = true;
        SetLastError(static_cast<DWORD>(error));
        return false;
    }
    forgetOnSignal(partialPath_.c_str());
    done_ = true;
    return true;
}

void FileJobSink::cancel() { discard(); }

void FileJobSink::discard() {
    if (done_) return;
    done_ = true;
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    unlink(partialPath_.c_str());
    forgetOnSignal(partialPath_.c_str());
}

}  // namespace posix
