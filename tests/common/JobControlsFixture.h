// The job controls end to end on one backend: the fixture both backends'
// tests of them build on. Each control is set as the command line sets it
// and put back to unset after the test.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "common/EventLog.h"
#include "common/PrintJobFixture.h"
#include "plat/Exception.h"
#include "plat/Configuration.h"
#include "print/JobOptions.h"
#include "print/JobParameters.h"
#include "print/PrintJob.h"

namespace testsupport {

template <class Printer, class Engine>
class JobControlsFixture : public ::testing::Test {
protected:
    EventLog events;
    Printer printer{events};
    Engine engine{events};

    const PrinterCallNames& calls;

    // createCall names the event of the device context's creation.
    JobControlsFixture(const PrinterCallNames& names, std::string createCall)
        : calls(names), createCall_(std::move(createCall)) {
        engine.script("doc.pdf", {{{595, 842, true}, {595, 842, true}}, kPdfLoaded});
        printer.setup().duplex = true;
    }
    ~JobControlsFixture() override { unsetAll(); }

    // Back to unset, as at start-up.
    static void unsetAll() {
        const std::pair<plat::StringParameter*, const char*> defaults[] = {
            {&copiesParameter, ""},  {&collateParameter, "yes"}, {&duplexParameter, "off"},
            {&trayParameter, ""},    {&colorParameter, "color"}, {&pagesParameter, ""},
            {&scalingParameter, "auto"}, {&userParameter, ""},  {&passwordFileParameter, ""}};
        for (const auto& [parameter, value] : defaults) {
            parameter->setParam(value);
            parameter->priority = 10;
        }
    }

    void set(const char* argument) { ASSERT_TRUE(plat::ParameterSet::global()->processArg(argument, 0)); }

    // The device context's creation the job asked for, with its settings,
    // or the message it failed with.
    std::string print() {
        PrintJob job("rec:printer");
        try {
            job.options = JobOptions::fromParameters();
            job.print("doc.pdf", "Options", false);
        } catch (const plat::Exception& failure) {
            return failure.message;
        }
        const auto created = events.startingWith(createCall_);
        return created.empty() ? "" : created.front();
    }

    const std::string& createCall() const { return createCall_; }

private:
    std::string createCall_;
};

}  // namespace testsupport
