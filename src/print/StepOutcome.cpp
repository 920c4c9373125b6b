#include "print/StepOutcome.h"

#include "plat/Exception.h"

StepOutcome StepOutcome::failedAt(PrintStep step, const char* call, uint32_t systemError) {
    const plat::SystemException failure(call, systemError);
    return StepOutcome(StepFailure{step, failure.message});
}

StepOutcome StepOutcome::failedAt(PrintStep step, uint32_t systemError) {
    // The failure lines of a run name each step by the Windows call that
    // makes it, the words users and their scripts know, on every platform.
    static const char* const kCallOfStep[] = {"CreateDC", "StartDoc", "StartPage", "PutPage", "EndPage", "EndDoc"};
    return failedAt(step, kCallOfStep[static_cast<int>(step)], systemError);
}

void StepOutcome::raise() const { throw plat::Exception(failure_ ? failure_->message.c_str() : ""); }
