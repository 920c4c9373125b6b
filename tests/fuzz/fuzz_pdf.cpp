// The PDF path on arbitrary bytes, as a print job runs it: loading the
// document, its page sizes, the paper of each page, placing the first pages
// and, for one input in eight (chosen by the input's bytes, so that a finding
// repeats, or as QUORLEX_FUZZ_RENDER says), drawing them as Render=always
// does, onto a printer that keeps nothing. The drawing helper's side of the
// hand-over (the document read, the pages drawn, the answers sent and read
// back) runs in a thread of this process rather than a process of its own,
// so that what goes wrong there is found here. Any crash, memory error or
// hang is a finding; a document that fails to load is not.
// QUORLEX_FUZZ_HELPER=process replays an input as the program runs it, the
// helper a process of its own held to DrawingTime=2: a drawing poppler
// never finishes then costs its page, as it does in a real run.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "plat/Configuration.h"
#include "plat/Exception.h"
#include "posix/confined/DrawingHelper.h"
#include "posix/drawing/DrawingPlugin.h"
#include "posix/spooler/PrinterDriver.h"
#include "print/PrintJob.h"

namespace {

class DiscardingSink : public posix::JobSink {
public:
    bool write(const unsigned char*, size_t) override { return true; }
    bool finish() override { return true; }
    void cancel() override {}
};

class DiscardingPrinter : public posix::PrinterDriver {
public:
    DiscardingPrinter() {
        papers_ = {{posix::paper_id::A4, u"A4", 21000, 29700, 400, 600, 400, 600},
                   {posix::paper_id::Letter, u"Letter", 21590, 27940, 400, 600, 400, 600}};
    }
    std::string name() const override { return "fuzz:printer"; }
    const std::vector<posix::Paper>& papers() const override { return papers_; }
    posix::PrinterDefaults defaults() const override { return {0, posix::Orientation::Portrait, 150, 150}; }
    std::unique_ptr<posix::JobSink> startJob(const std::string&, const posix::JobSettings&) override {
        return std::make_unique<DiscardingSink>();
    }

private:
    std::vector<posix::Paper> papers_;
};

bool helperProcess() {
    const char* helper = std::getenv("QUORLEX_FUZZ_HELPER");
    return helper && std::string_view(helper) == "process";
}

struct Setup {
    std::string path = "/tmp/quorlex-fuzz-" + std::to_string(getpid()) + ".pdf";
    // poppler sets up its global tables (encodings, fonts) with the first
    // open document and drops them with the last: one kept open spares
    // every run that opens a document with poppler setting them up again,
    // three quarters of its time. A run of the program opens one anyway.
    std::unique_ptr<posix::drawing::DrawableDocument> keptOpen;
    Setup() {
        posix::registerPrinterDriver("fuzz:", [](const std::string&) {
            return std::make_unique<DiscardingPrinter>();
        });
        posix::drawing::DrawingPlugin* plugin = quorlexDrawingPlugin();
        posix::drawing::useDrawingPlugin(plugin);
        posix::confined::DrawingHelper::serveInThreads(!helperProcess());
        if (FILE* file = std::fopen(path.c_str(), "wb")) {
            std::fputs(kEmptyPdf, file);
            std::fclose(file);
            unsigned long error = 0;
            keptOpen = plugin->open(path.c_str(), nullptr, false, error);
        }
    }
    ~Setup() { std::remove(path.c_str()); }

    static constexpr const char* kEmptyPdf =
        "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
        "2 0 obj << /Type /Pages /Kids [] /Count 0 >> endobj\ntrailer << /Root 1 0 R >>\n%%EOF\n";
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Setup setup;
    FILE* file = std::fopen(setup.path.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    // Drawing is many times slower than placing, and placing draws the
    // pages it cannot place anyway.
    const size_t hash = std::hash<std::string_view>()(
        std::string_view(reinterpret_cast<const char*>(data), size));
    // QUORLEX_FUZZ_RENDER=always replays an input the way it crashed.
    const char* render = std::getenv("QUORLEX_FUZZ_RENDER");
    const std::string mode = render ? std::string("Render=") + render
                                    : hash % 8 == 0 ? "Render=always" : "Render=auto";
    plat::ParameterSet::global()->processArg(mode.c_str(), 0);
    if (helperProcess()) plat::ParameterSet::global()->processArg("DrawingTime=2", 0);
    try {
        PrintJob job("fuzz:printer");
        // What goes wrong on page 5 goes wrong on page 1 of another input.
        job.options.pages.parse("1-4");
        job.print(setup.path.c_str(), "fuzz", false);
    } catch (const plat::Exception&) {
        // A document that does not load, or a job the spooler refused.
    }
    return 0;
}
