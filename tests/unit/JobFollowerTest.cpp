// How a look at a spooler job is read: what ended it, and how it is told
// in the log. The spooler differs (Windows drops a finished job, CUPS keeps
// it as completed), the reading must not.
#include <gtest/gtest.h>

#include "print/JobFollower.h"

namespace {

JobLook held(DWORD status, std::string text = "") { return JobLook{true, status, std::move(text)}; }
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
        {held(JOB_STATUS_PRINTING), held(0), JobStage::OnItsWay, "printing"},
        // Paper out or an error keeps the job in the queue: still on its way.
        {held(JOB_STATUS_ERROR | JOB_STATUS_PAPEROUT, "tray 2 empty"), held(0), JobStage::OnItsWay,
         "error, paper out: tray 2 empty"},
        {held(JOB_STATUS_PRINTED | JOB_STATUS_COMPLETE), held(0), JobStage::Printed, "printed"},
        {held(JOB_STATUS_DELETED), held(0), JobStage::Cancelled, "cancelled"},
        {held(JOB_STATUS_DELETED | JOB_STATUS_ERROR, "jam"), held(0), JobStage::Aborted, "aborted: jam"},
        // A job that leaves the queue has printed, unless it left from an error.
        {gone(), held(JOB_STATUS_PRINTING), JobStage::Printed, "no longer in the queue"},
        {gone(), held(JOB_STATUS_ERROR), JobStage::Aborted, "no longer in the queue"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(stageOf(c.look, c.before), c.stage) << c.shown;
        EXPECT_EQ(describeLook(c.look), c.shown);
    }
}
