// What one step of printing gives back: success, or a failure with the
// step's name and its whole message, as the run reports it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The steps of printing a document, in their order.
enum class PrintStep { CreateDocument, BeginJob, BeginSheet, PutPage, EndSheet, Finish };

struct StepFailure {
    PrintStep step = PrintStep::CreateDocument;
    std::string message;   // the system's name of the call, its text for the error and the code
};

class [[nodiscard]] StepOutcome {
public:
    StepOutcome() = default;   // success
    explicit StepOutcome(StepFailure failure) : failure_(std::move(failure)) {}

    // A failed system call of the step: the message as
    // plat::SystemException composes it from the call's name and the error
    // code, taken at once by the caller.
    static StepOutcome failedAt(PrintStep step, const char* call, uint32_t systemError);
    // As above, the call named as the run's failure lines name the step
    // (StepOutcome.cpp), for a backend whose steps are calls of its own.
    static StepOutcome failedAt(PrintStep step, uint32_t systemError);

    bool ok() const { return !failure_; }
    const StepFailure& failure() const { return *failure_; }
    // Throws plat::Exception with the failure's message; requires !ok().
    [[noreturn]] void raise() const;

private:
    std::optional<StepFailure> failure_;
};
