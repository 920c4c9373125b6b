#include "posix/confined/DrawingService.h"

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "posix/confined/Messages.h"
#include "print/PdfSource.h"

namespace posix::confined {

namespace {

std::pair<uint32_t, std::string> refused() { return {static_cast<uint32_t>(MessageKind::Refused), {}}; }

// Faults the integration tests inject into the helper, to see the program
// lose only the page it was drawing: QUORLEX_DRAWING_FAULT=crash:N (a
// segmentation fault), stall:N (sleeps), spin:N (burns processor time) or
// grow:N (takes memory without end), when asked anything of page N (from 0).
void injectFault(uint32_t index) {
    static const char* fault = std::getenv("QUORLEX_DRAWING_FAULT");
    if (!fault) return;
    const char* colon = std::strchr(fault, ':');
    if (!colon || std::strtoul(colon + 1, nullptr, 10) != index) return;
    const std::string what(fault, colon);
    if (what == "crash") {
        signal(SIGSEGV, SIG_DFL);
        raise(SIGSEGV);
    } else if (what == "stall") {
        for (;;) pause();
    } else if (what == "spin") {
        volatile unsigned long turns = 0;
        for (;;) turns = turns + 1;
    } else if (what == "grow") {
        std::vector<char*> held;
        for (;;) {
            char* block = static_cast<char*>(std::malloc(1 << 20));
            if (!block) continue;
            std::memset(block, 1, 1 << 20);
            held.push_back(block);
        }
    }
}

}  // namespace

DrawingService::DrawingService(drawing::DrawingPlugin& plugin, const DrawingSource& source) {
    error_ = kPdfLoaded;
    const auto start = std::chrono::steady_clock::now();
    const char* password = source.hasPassword ? source.password.c_str() : nullptr;
    document_ = source.copy.empty()
                    ? plugin.open(source.fileName.c_str(), password, source.appearancesFromValues, error_)
                    : plugin.openCopy(source.copy, password, source.appearancesFromValues, error_);
    if (!document_ && error_ == kPdfLoaded) error_ = kPdfUnknownError;
    openMicroseconds_ = static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count());
}

std::string DrawingService::opened() const {
    MessageOut out;
    out.number(document_ ? kPdfLoaded : static_cast<uint32_t>(error_));
    out.number(document_ ? static_cast<uint32_t>(document_->pageCount()) : 0);
    out.number(document_ ? static_cast<uint32_t>(document_->permissions()) : 0);
    out.number(openMicroseconds_);
    return out.body();
}

drawing::DrawablePage* DrawingService::pageAt(uint32_t index) {
    if (!document_ || index >= static_cast<uint32_t>(document_->pageCount())) return nullptr;
    if (!page_ || pageIndex_ != index) {
        page_.reset();
        page_ = document_->page(static_cast<int>(index));
        pageIndex_ = index;
    }
    return page_.get();
}

std::pair<uint32_t, std::string> DrawingService::drawTogether(MessageIn& in,
                                                              const std::function<void(uint32_t)>& progress) {
    uint32_t count = 0;
    if (!document_ || !in.number(count) || count == 0 || count > kMostPagesTogether) return refused();
    std::vector<uint32_t> asked(count);
    for (uint32_t& index : asked)
        if (!in.number(index)) return refused();
    if (!in.atEnd()) return refused();
    std::vector<std::unique_ptr<drawing::DrawablePage>> held;
    std::vector<drawing::DrawablePage*> pages;
    std::vector<uint32_t> drawn;
    for (uint32_t index : asked) {
        progress(index);
        if (index >= static_cast<uint32_t>(document_->pageCount())) continue;
        std::unique_ptr<drawing::DrawablePage> page = document_->page(static_cast<int>(index));
        // A value that would be lost leaves the page out: the program has
        // it skipped, with the reason, when it asks about it.
        if (!page || !page->formValueLost().empty()) continue;
        pages.push_back(page.get());
        drawn.push_back(index);
        held.push_back(std::move(page));
    }
    std::string pdf;
    if (!pages.empty()) pdf = document_->drawnAsPdf(pages, [&](size_t at) { progress(drawn[at]); });
    if (pdf.empty()) drawn.clear();
    MessageOut out;
    out.number(static_cast<uint32_t>(drawn.size()));
    for (uint32_t index : drawn) out.number(index);
    out.bytes(pdf);
    return {static_cast<uint32_t>(MessageKind::PdfPages), out.body()};
}

std::pair<uint32_t, std::string> DrawingService::answer(uint32_t kind, std::string_view body,
                                                        const std::function<void(uint32_t)>& progress) {
    MessageIn in(body);
    if (kind == static_cast<uint32_t>(MessageKind::DrawPdfPages)) return drawTogether(in, progress);
    uint32_t index = 0;
    if (!in.number(index)) return refused();
    switch (static_cast<MessageKind>(kind)) {
        case MessageKind::Prepare: {
            if (!in.atEnd()) return refused();
            MessageOut out;
            drawing::DrawablePage* page = pageAt(index);
            if (!page) {
                out.number(0).real(0).real(0).bytes("");
                return {static_cast<uint32_t>(MessageKind::Prepared), out.body()};
            }
            const std::string lost = page->formValueLost();
            out.number(1).real(page->width()).real(page->height()).bytes(lost);
            return {static_cast<uint32_t>(MessageKind::Prepared), out.body()};
        }
        case MessageKind::DrawPixels: {
            uint32_t width = 0, height = 0, rotate = 0;
            if (!in.number(width) || !in.number(height) || !in.number(rotate) || !in.atEnd()) return refused();
            drawing::DrawablePage* page = pageAt(index);
            if (!page || width == 0 || height == 0 || uint64_t(width) * height > kMostPixels) return refused();
            std::string pixels;
            if (!page->drawnAsPixels(static_cast<int>(width), static_cast<int>(height), static_cast<int>(rotate & 3),
                                     pixels))
                pixels.clear();
            MessageOut out;
            out.number(width).number(height).bytes(pixels);
            return {static_cast<uint32_t>(MessageKind::Pixels), out.body()};
        }
        default:
            return refused();
    }
}

void allowProcessorTime(int seconds) {
    rusage used{};
    getrusage(RUSAGE_SELF, &used);
    rlimit limit{};
    getrlimit(RLIMIT_CPU, &limit);
    limit.rlim_cur = static_cast<rlim_t>(used.ru_utime.tv_sec + used.ru_stime.tv_sec + seconds + 1);
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_cur > limit.rlim_max) limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_CPU, &limit);
}

void serveRequests(int fd, DrawingService& service, int secondsEach) {
    if (!sendMessage(fd, MessageKind::Opened, service.opened())) return;
    uint32_t kind = 0;
    std::string body;
    while (receiveMessage(fd, kind, body)) {
        if (secondsEach > 0) allowProcessorTime(secondsEach);
        if (uint32_t index = 0; kind == static_cast<uint32_t>(MessageKind::DrawPixels) && MessageIn(body).number(index))
            injectFault(index);
        std::pair<uint32_t, std::string> reply;
        // Each page of a request of several has the budget of its own, and
        // the program knows which page the helper is at.
        const auto progress = [&](uint32_t index) {
            if (secondsEach > 0) allowProcessorTime(secondsEach);
            sendMessage(fd, MessageKind::PageStarted, MessageOut().number(index).body());
            injectFault(index);
        };
        try {
            reply = service.answer(kind, body, progress);
        } catch (const std::bad_alloc&) {
            // Past its memory limit: the program names the budget.
            _exit(kExitOutOfMemory);
        }
        if (!sendMessage(fd, static_cast<MessageKind>(reply.first), reply.second)) break;
    }
}

}  // namespace posix::confined
