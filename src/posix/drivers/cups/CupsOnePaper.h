// Printers that put every page of a job on one paper, whatever the size of
// the page: drivers that take it from the job's PageSize (hpcups,
// Gutenprint, Foomatic), and label printers reached by their URI, which
// print every label of a job on the job's media. The job gets the paper of
// its first sheet; a sheet of another paper is refused, so that no page
// comes out on a paper it was not laid out for.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "posix/drivers/cups/CupsJob.h"
#include "posix/drivers/cups/CupsPpd.h"

namespace posix {

// A sheet of another paper than the job's is refused, with the last error
// set: who prints on one paper, the paper wanted, the job's.
bool refuseOtherPaper(const std::string& who, const Paper& wanted, const Paper* jobs);
// Two papers of the same size, within half a millimetre.
bool samePaperSize(const Paper& a, const Paper& b);

// For CupsJob::checkSheets on a queue whose driver takes one paper per job:
// the job's PageSize is set to the first sheet's paper.
class OnePaperJob {
public:
    // who: the printer or driver that prints on one paper, for messages.
    OnePaperJob(std::shared_ptr<const CupsDestination> destination, std::shared_ptr<CupsPpd> ppd, std::string who)
        : destination_(std::move(destination)), ppd_(std::move(ppd)), who_(std::move(who)) {}
    bool operator()(int jobId, const Paper& paper);

private:
    std::shared_ptr<const CupsDestination> destination_;
    std::shared_ptr<CupsPpd> ppd_;
    std::string who_;
    std::shared_ptr<Paper> paper_;   // the job's, once its first sheet began
};

// A job made when its first sheet begins, for that sheet's paper (the
// job's media-col), on a label printer by its URI. What is written before
// is held until then. Until it is made the job goes by its provisional
// number; then printedAs has the printer's.
class LabelJob : public JobSink {
public:
    using MakeJob = std::function<std::unique_ptr<CupsJob>(const Paper& paper)>;
    LabelJob(std::string printer, MakeJob make, std::shared_ptr<int> printedAs, Paper fallback)
        : printer_(std::move(printer)), make_(std::move(make)), printedAs_(std::move(printedAs)),
          fallback_(std::move(fallback)) {}

    int id() const override { return job_ ? job_->id() : kProvisionalJobId; }
    bool beginSheet(const Paper& paper) override;
    bool write(const unsigned char* data, size_t length) override;
    bool finish() override;
    void cancel() override;

private:
    bool make(const Paper& paper);

    std::string printer_;
    MakeJob make_;
    std::shared_ptr<int> printedAs_;
    Paper fallback_;                 // a document without pages goes on it
    std::unique_ptr<CupsJob> job_;
    std::unique_ptr<Paper> paper_;
    std::string held_;
    bool cancelled_ = false;
};

}  // namespace posix
