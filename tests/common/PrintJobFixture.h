// The print job end to end on one backend, against its recording printer
// and scripted engine: the fixture both backends' print job tests build
// on, and the names of the printer calls each backend's recording gives.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "common/EventLog.h"
#include "common/ScriptedPdf.h"
#include "plat/Exception.h"
#include "print/PrintJob.h"
#include "print/PrintLogs.h"
#include "unit/support/LogRecording.h"

namespace testsupport {

// What a backend's recording printer calls what it is asked.
struct PrinterCallNames {
    std::string reset;           // the sheet's settings changed for a page
    std::string upright;         // portrait, as the settings in the event say it
    std::string startDoc;
    std::string startPage;
    std::string endPage;
    std::string measureDpi;      // what a sheet's resolution read begins with
    std::string measureMargin;   // what a sheet's margin read begins with
};

template <class Printer, class Engine>
class PrintJobFixture : public ::testing::Test {
protected:
    using Events = std::vector<std::string>;

    EventLog events;
    Printer printer{events};
    Engine engine{events};
    WriterCapture printLines{pdfPrintLog};
    WriterCapture printerLines{printerLog};
    const PrinterCallNames& calls;

    explicit PrintJobFixture(const PrinterCallNames& names) : calls(names) { setMargins(500, 500); }

    // The event of a sheet set to this paper ("paper=9 width=2100
    // length=2970") and form, upright.
    std::string resetTo(const std::string& paper, const std::string& form) const {
        return calls.reset + " " + paper + " orientation=" + calls.upright + " form=" + form;
    }
    void setMargins(int32_t left, int32_t top) {
        for (auto& paper : printer.setup().papers) {
            paper.marginLeft = paper.marginRight = left;
            paper.marginTop = paper.marginBottom = top;
        }
    }
    void setDpi(int x, int y) {
        printer.setup().defaults.dpiX = x;
        printer.setup().defaults.dpiY = y;
    }
    void script(std::vector<ScriptedPage> pages) {
        engine.script("doc.pdf", ScriptedDocument{std::move(pages), kPdfLoaded});
    }
    void print(bool scale, const std::string& printerName = "rec:printer",
               const char* title = "Quarterly report") {
        PrintJob job(printerName.c_str());
        job.print("doc.pdf", title, scale);
        EXPECT_EQ(job.document, nullptr);
        EXPECT_EQ(printer.openPrinters(), 1) << "the printer stays open until the job goes";
    }
    // What an exception leaving print() says; fails the test when none does.
    std::string failingPrint(bool scale = false, const std::string& printerName = "rec:printer") {
        PrintJob job(printerName.c_str());
        try {
            job.print("doc.pdf", "Quarterly report", scale);
        } catch (const plat::Exception& failure) {
            EXPECT_EQ(job.document, nullptr);
            return failure.message;
        }
        ADD_FAILURE() << "print() did not fail";
        return "";
    }
    void expectAllReleased() {
        EXPECT_EQ(engine.libraryUsers(), 0);
        EXPECT_EQ(engine.openDocuments(), 0);
        EXPECT_EQ(engine.openPages(), 0);
        EXPECT_EQ(printer.liveContexts(), 0);
        EXPECT_EQ(printer.openPrinters(), 0);
    }
    // Each page rendered: its size in device units and its turn.
    Events renderedSizes() const {
        Events sizes;
        for (const RenderCall& render : engine.renders)
            sizes.push_back(std::to_string(render.sizeX) + "x" + std::to_string(render.sizeY) + " turn " +
                            std::to_string(render.rotate));
        return sizes;
    }
    // The last n events (all of them where there are fewer).
    Events lastEvents(size_t n) const {
        const Events& all = events.events;
        return Events(all.end() - static_cast<std::ptrdiff_t>(std::min(n, all.size())), all.end());
    }
    static Events textsFrom(const WriterCapture& capture, const std::string& prefix) {
        Events found;
        for (const std::string& text : capture.logger.texts()) {
            if (text.rfind(prefix, 0) == 0) found.push_back(text);
        }
        return found;
    }
};

const ScriptedPage kA4Page{595, 842, true};
const ScriptedPage kA4Turned{842, 595, true};
const ScriptedPage kLetterPage{612, 792, true};
const ScriptedPage kA5Turned{595, 420, true};
const ScriptedPage kOddPage{300, 300, true};
const ScriptedPage kBrokenPage{595, 842, false};

}  // namespace testsupport
