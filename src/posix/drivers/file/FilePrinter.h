// The built-in PDF file printer, "file:PATH": every job is written as a PDF
// to PATH, on a list of standard papers, 600 dpi, no margins.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "posix/spooler/PrinterDriver.h"

namespace posix {

// True for names that begin with "file:" (ASCII case ignored, as printer
// names are on Windows).
bool isFilePrinterName(const std::string& name);

// The papers the file printer offers, in its order: ISO A and B series,
// JIS B4/B5, US sizes, envelopes. Sizes in hundredths of a millimetre.
const std::vector<Paper>& filePrinterPapers();

// The index into filePrinterPapers() of the system's paper (libpaper: the
// PAPERSIZE variable, /etc/papersize), A4 when that names no paper listed.
int systemPaperIndex();

// Null with the last error set when the name has no path or the path's
// folder cannot take the file.
std::unique_ptr<PrinterDriver> openFilePrinterDriver(const std::string& name);

// Writes the job into a hidden file beside the target and renames it over
// the target on finish, so that a failed, cancelled or killed job leaves no
// file. A file it replaces keeps its permissions.
class FileJobSink : public JobSink {
public:
    // Null with the last error (errno) set when the file cannot be created.
    static std::unique_ptr<FileJobSink> create(const std::string& path);
    ~FileJobSink() override;

    bool write(const unsigned char* data, size_t length) override;
    bool finish() override;
    void cancel() override;

    const std::string& partialPath() const { return partialPath_; }

private:
    FileJobSink(std::string path, std::string partialPath, int fd);
    void discard();

    std::string path_;
    std::string partialPath_;
    int fd_;
    bool done_ = false;
};

}  // namespace posix
