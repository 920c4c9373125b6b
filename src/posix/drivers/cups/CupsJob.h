// A print job on a CUPS destination that receives the document while it is
// produced, as one already laid out PDF (application/vnd.cups-pdf), so that
// every page reaches the printer on its own paper.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "posix/drivers/cups/CupsHandles.h"
#include "posix/spooler/PrinterDriver.h"

namespace posix {

// What a driver writes around the document: its job control language,
// which names the job by its id. Either may be empty.
struct JobFrame {
    std::function<std::string(int jobId)> start;
    std::function<std::string()> end;
};

class CupsJob : public JobSink {
public:
    // Creates the job named by the title on a connection of its own and
    // starts its only document. Null with the last error set on failure; a
    // job created before the failure is cancelled.
    // The options are the job's IPP attributes (copies=2, sides=...).
    static std::unique_ptr<CupsJob> start(
        std::shared_ptr<const CupsDestination> destination, const std::string& title,
        const std::vector<std::pair<std::string, std::string>>& options = {}, JobFrame frame = {});

    // A job neither finished nor cancelled is cancelled.
    ~CupsJob() override;

    bool write(const unsigned char* data, size_t length) override;
    bool finish() override;
    // Drops the connection first, so that the scheduler throws away the
    // unfinished document, then cancels the job on a fresh connection. When
    // the scheduler cannot be reached the job holds no document and never
    // prints. Leaves the last error as it was.
    void cancel() override;

    int id() const override { return id_; }

private:
    CupsJob(std::shared_ptr<const CupsDestination> destination, HttpConnection http, int id,
            std::function<std::string()> frameEnd);

    std::shared_ptr<const CupsDestination> destination_;
    std::function<std::string()> frameEnd_;
    HttpConnection http_;
    int id_;
    bool broken_ = false;
    bool done_ = false;
};

// The job name CUPS accepts for a title: control characters become blanks
// and the name is cut to 255 bytes, never inside a character.
std::string jobNameForTitle(const std::string& title);

}  // namespace posix
