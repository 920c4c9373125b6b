#include "print/StepOutcome.h"

#include "plat/Exception.h"

StepOutcome StepOutcome::failedAt(PrintStep step, const char* call, uint32_t systemError) {
    const plat::SystemException failure(call, systemError);
    return StepOutcome(StepFailure{step, failure.message});
}

void StepOutcome::raise() const { throw plat::Exception(failure_ ? failure_->message.c_str() : ""); }
