// A print job on a CUPS destination that receives the document while it is
// produced: on a scheduler as one already laid out PDF
// (application/vnd.cups-pdf), so that every page reaches the printer on its
// own paper; on a printer reached by its URI as PDF, which it prints as it
// is. One job either way: Create-Job and Send-Document, or Print-Job for a
// printer that has no Create-Job.
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

// The number a job sent with Print-Job goes by until the printer has the
// whole document and names it.
constexpr int kProvisionalJobId = 1;

class CupsJob : public JobSink {
public:
    // Creates the job named by the title on a connection of its own and
    // starts its only document. Null with the last error set on failure; a
    // job created before the failure is cancelled.
    // The options are the job's IPP attributes (copies=2, sides=...). A job
    // sent with Print-Job writes the printer's number for it to printedAs
    // once it has it.
    static std::unique_ptr<CupsJob> start(
        std::shared_ptr<const CupsDestination> destination, const std::string& title,
        const std::vector<std::pair<std::string, std::string>>& options = {}, JobFrame frame = {},
        std::shared_ptr<int> printedAs = nullptr);

    // A job neither finished nor cancelled is cancelled.
    ~CupsJob() override;

    // Checks the paper of each sheet before it begins, given the job's
    // number: false refuses the sheet, with the last error set.
    using SheetCheck = std::function<bool(int jobId, const Paper& paper)>;
    void checkSheets(SheetCheck check) { sheetCheck_ = std::move(check); }
    bool beginSheet(const Paper& paper) override { return !sheetCheck_ || sheetCheck_(id_, paper); }

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

    // Ends the request the document went with: the scheduler's or printer's
    // answer, and for Print-Job the job's number.
    bool submit();
    const char* peer() const { return destination_->peerName(); }

    std::shared_ptr<const CupsDestination> destination_;
    std::function<std::string()> frameEnd_;
    HttpConnection http_;
    int id_;
    std::shared_ptr<int> printedAs_;   // where a Print-Job's number goes, if anywhere
    SheetCheck sheetCheck_;
    bool broken_ = false;
    bool done_ = false;
};

// Sets one of the job's options (PageSize=A4) while it is still being
// sent, on a connection of its own. false with the last error set.
bool setJobOption(const CupsDestination& destination, int id, const std::string& name, const std::string& value);

// The job name CUPS accepts for a title: control characters become blanks
// and the name is cut to 255 bytes, never inside a character.
std::string jobNameForTitle(const std::string& title);

}  // namespace posix
