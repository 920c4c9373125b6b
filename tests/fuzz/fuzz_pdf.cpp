// The PDF path on arbitrary bytes, as a print job runs it: loading the
// document, its page sizes, the paper of each page, placing every page and,
// on a second round with Render=always, drawing every page, onto a printer
// that keeps nothing. Any crash, memory error or hang is a finding; a
// document that fails to load is not.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "plat/Configuration.h"
#include "plat/Exception.h"
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
        papers_ = {{DMPAPER_A4, u"A4", 21000, 29700, 400, 600, 400, 600},
                   {DMPAPER_LETTER, u"Letter", 21590, 27940, 400, 600, 400, 600}};
    }
    std::string name() const override { return "fuzz:printer"; }
    std::string driverName() const override { return "discarding"; }
    std::string portName() const override { return "nowhere"; }
    const std::vector<posix::Paper>& papers() const override { return papers_; }
    posix::PrinterDefaults defaults() const override { return {0, DMORIENT_PORTRAIT, 150, 150}; }
    std::unique_ptr<posix::JobSink> startJob(const std::string&, const DEVMODEW&) override {
        return std::make_unique<DiscardingSink>();
    }

private:
    std::vector<posix::Paper> papers_;
};

struct Setup {
    std::string path = "/tmp/quorlex-fuzz-" + std::to_string(getpid()) + ".pdf";
    Setup() {
        posix::registerPrinterDriver("fuzz:", [](const std::string&) {
            return std::make_unique<DiscardingPrinter>();
        });
        posix::drawing::useDrawingPlugin(quorlexDrawingPlugin());
    }
    ~Setup() { std::remove(path.c_str()); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Setup setup;
    FILE* file = std::fopen(setup.path.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    for (const char* render : {"Render=auto", "Render=always"}) {
        plat::ParameterSet::global()->processArg(render, 0);
        try {
            PrintJob job("fuzz:printer");
            job.print(setup.path.c_str(), "fuzz", false);
        } catch (const plat::Exception&) {
            // A document that does not load, or a job the spooler refused.
        }
    }
    return 0;
}
