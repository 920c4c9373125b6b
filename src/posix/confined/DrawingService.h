// The helper's side of drawing: the document opened with the drawing
// plugin, and the answer to each request of the program. Kept apart from
// the process and its socket so that the fuzz target drives the same code
// in-process.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "posix/confined/Messages.h"
#include "posix/drawing/DrawingPlugin.h"

namespace posix::confined {

// What the helper opens: a file by its name (the document from standard
// input under its name too), or a copy of it the program made.
struct DrawingSource {
    std::string fileName;
    std::string copy;                   // used when not empty
    std::string password;
    bool hasPassword = false;
    bool appearancesFromValues = false;
};

// The most pixels a page is drawn into (a sheet of 1 m² at 600 dpi holds
// a little less): a request for more is refused.
constexpr uint64_t kMostPixels = uint64_t(1) << 28;

class DrawingService {
public:
    DrawingService(drawing::DrawingPlugin& plugin, const DrawingSource& source);
    // The body of the Opened message.
    std::string opened() const;
    // The answer to one request: its kind and body. progress is told of
    // each page a request of several pages comes to.
    std::pair<uint32_t, std::string> answer(uint32_t kind, std::string_view body,
                                            const std::function<void(uint32_t)>& progress);

private:
    drawing::DrawablePage* pageAt(uint32_t index);
    std::pair<uint32_t, std::string> drawTogether(MessageIn& in, const std::function<void(uint32_t)>& progress);

    std::unique_ptr<drawing::DrawableDocument> document_;
    unsigned long error_ = 0;
    uint32_t openMicroseconds_ = 0;
    // The page asked about last, kept for the requests that follow.
    uint32_t pageIndex_ = 0;
    std::unique_ptr<drawing::DrawablePage> page_;
};

// Lets the process use the given processor time from now on: past it, the
// kernel ends it with SIGXCPU.
void allowProcessorTime(int seconds);

// How the helper ends when it runs out of memory, so that the program can
// name the budget rather than a crash.
constexpr int kExitOutOfMemory = 86;

// Answers the program's requests on the socket until it closes, each held
// to the processor time given (none for 0).
void serveRequests(int fd, DrawingService& service, int secondsEach);

}  // namespace posix::confined
