// How a look at a spooler job is read: what ended it, and how it is told
// in the log. The spooler differs (Windows drops a finished job, CUPS keeps
// it as completed), the reading must not.
#include <gtest/gtest.h>

#include "print/JobFollower.h"

namespace {

JobLook held(uint32_t status, std::string text = "") { return JobLook{true, status, std::move(text)}; }
JobLook gone() { return JobLook{false, 0, ""}; }

}  // namespace

TEST(JobFollowing, EachLookIsReadAsTheSpoolerMeansIt) {
    const struct {
        JobLook look;
        JobLook before;
        JobStage stage;
        const char* shown;
    } cases[] = {
        {held(0), held(0), JobStage::OnItsWay, "queued"},
        {held(kJobPrinting), held(0), JobStage::OnItsWay, "printing"},
        // Paper out or an error keeps the job in the queue: still on its way.
        {held(kJobError | kJobPaperOut, "tray 2 empty"), held(0), JobStage::OnItsWay,
         "error, paper out: tray 2 empty"},
        {held(kJobPrinted | kJobComplete), held(0), JobStage::Printed, "printed"},
        {held(kJobDeleted), held(0), JobStage::Cancelled, "cancelled"},
        {held(kJobDeleted | kJobError, "jam"), held(0), JobStage::Aborted, "aborted: jam"},
        // A job that leaves the queue has printed, unless it left from an error.
        {gone(), held(kJobPrinting), JobStage::Printed, "no longer in the queue"},
        {gone(), held(kJobError), JobStage::Aborted, "no longer in the queue"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(stageOf(c.look, c.before), c.stage) << c.shown;
        EXPECT_EQ(describeLook(c.look), c.shown);
    }
}
