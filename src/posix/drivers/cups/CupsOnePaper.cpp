#include "posix/drivers/cups/CupsOnePaper.h"

#include <cstdlib>

#include "posix/drivers/cups/CupsError.h"
#include "posix/winapi/Utf.h"

namespace posix {

namespace {

constexpr int32_t kSamePaper = 50;   // hundredths of a millimetre

}  // namespace

bool samePaperSize(const Paper& a, const Paper& b) {
    return std::abs(a.width - b.width) <= kSamePaper && std::abs(a.length - b.length) <= kSamePaper;
}

bool refuseOtherPaper(const std::string& who, const Paper& wanted, const Paper* jobs) {
    std::string text = who + " prints every page of a job on one paper: a page needs " + toUtf8(wanted.name);
    if (!jobs) {
        text += " and it has no such paper";
    } else {
        text += " and the job is on " + toUtf8(jobs->name) + ", its first page's paper";
        if (jobs->id != kOwnSizePaper) text += "; print every page on one paper with Paper=" + toUtf8(jobs->name);
    }
    setIppError(IPP_STATUS_ERROR_ATTRIBUTES_OR_VALUES, text);
    return false;
}

bool OnePaperJob::operator()(int jobId, const Paper& paper) {
    if (!paper_) {
        const std::string pageSize = ppd_->pageSizeFor(paper.width, paper.length);
        if (pageSize.empty()) return refuseOtherPaper(who_, paper, nullptr);
        if (!setJobOption(*destination_, jobId, "PageSize", pageSize)) return false;
        paper_ = std::make_shared<Paper>(paper);
        return true;
    }
    return samePaperSize(paper, *paper_) || refuseOtherPaper(who_, paper, paper_.get());
}

bool LabelJob::make(const Paper& paper) {
    job_ = make_(paper);
    if (!job_) return false;
    paper_ = std::make_unique<Paper>(paper);
    if (printedAs_) *printedAs_ = job_->id();
    const std::string held = std::move(held_);
    held_.clear();
    return held.empty() || job_->write(reinterpret_cast<const unsigned char*>(held.data()), held.size());
}

bool LabelJob::beginSheet(const Paper& paper) {
    if (cancelled_) return false;
    if (!job_) return make(paper);
    return samePaperSize(paper, *paper_) || refuseOtherPaper("The printer at " + printer_, paper, paper_.get());
}

bool LabelJob::write(const unsigned char* data, size_t length) {
    if (cancelled_) return false;
    if (job_) return job_->write(data, length);
    held_.append(reinterpret_cast<const char*>(data), length);
    return true;
}

bool LabelJob::finish() {
    if (cancelled_) return false;
    if (!job_ && !make(fallback_)) return false;
    return job_->finish();
}

void LabelJob::cancel() {
    cancelled_ = true;
    held_.clear();
    if (job_) job_->cancel();
}

}  // namespace posix
