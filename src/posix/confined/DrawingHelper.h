// A drawing helper: a process of its own, forked from the program, that
// reads the document with the drawing plugin and draws its pages when
// asked, with as little as it needs (no network, no new privileges, no
// file descriptor but its socket and the standard ones) and held to a
// budget: wall time and memory watched from here, processor time and
// address space limited by the kernel. The program's side of it: start it,
// ask it, end it. Poppler and cairo run in the helper alone, so a document
// that hangs or crashes them costs the helper, never the run.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <thread>
#include <string>

#include "posix/confined/DrawingBudget.h"
#include "posix/confined/DrawingService.h"
#include "posix/confined/Messages.h"

namespace posix::confined {

struct OpenedDocument {
    unsigned long error = 0;   // kPdfLoaded, or a kPdf...Error code
    int pageCount = 0;
    unsigned long permissions = 0;
};

class DrawingHelper {
public:
    // Starts a helper and waits, within the budget, for it to read the
    // document. Null, with why set, when it cannot be started or ended
    // before it had read it (opened.error says whether it read it).
    static std::unique_ptr<DrawingHelper> start(const DrawingSource& source, const DrawingBudget& budget,
                                                OpenedDocument& opened, std::string& why);
    // Ends the helper and waits for it.
    ~DrawingHelper();
    DrawingHelper(const DrawingHelper&) = delete;
    DrawingHelper& operator=(const DrawingHelper&) = delete;

    // Sends a request and waits, within the budget, for an answer of the
    // kind expected. False when there is none: the helper has been ended,
    // and why says how ("drawing it took more than 60 s").
    bool ask(MessageKind request, const std::string& body, MessageKind expected, std::string& answer,
             std::string& why);
    // The page a request of several pages came to last (PageStarted), or
    // -1: the one it was at when it ended.
    int pageReached() const { return pageReached_; }
    // The helper's process id; 0 for one served in a thread.
    pid_t pid() const { return pid_ > 0 ? pid_ : 0; }

    // The fuzz target: helpers are served by a thread of this process, not
    // a process of their own, so that what goes wrong on the helper's side
    // of the hand-over is found where the fuzzer sees it. No budget holds.
    static void serveInThreads(bool inThreads);

private:
    DrawingHelper(pid_t pid, int fd, const DrawingBudget& budget) : pid_(pid), fd_(fd), budget_(budget) {}
    // Reads one message within the budget; false with why set, the helper
    // ended, when none came.
    bool await(MessageKind expected, std::string& body, const char* activity, std::string& why);
    // Ends the helper (when it runs) and collects its end; why it ended
    // while doing the activity, from how it ended.
    std::string reap(bool kill, const char* activity);
    std::string budgetPassed(const char* activity, bool memory) const;

    pid_t pid_ = -1;
    int fd_ = -1;
    // What the helper had resident when it started: the program's pages,
    // which it shares until it writes them. The budget is what it adds.
    uint64_t startedWith_ = 0;
    int pageReached_ = -1;
    std::thread server_;   // serving in a thread, instead of a process
    DrawingBudget budget_;
};

}  // namespace posix::confined
