// The job controls as they reach the Windows printer: in the settings the
// device context is created with, each with its DM_ flag, or refused with
// what DeviceCapabilitiesW says the printer offers.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "plat/Exception.h"
#include "print/JobOptions.h"
#include "print/JobParameters.h"
#include "print/PrintJob.h"
#include "win32/unit/support/RecordingEngine.h"
#include "win32/unit/support/RecordingSpooler.h"

namespace {

using Events = std::vector<std::string>;

class JobOptionsTest : public ::testing::Test {
protected:
    testsupport::EventLog events;
    testsupport::RecordingSpooler printer{events};
    testsupport::RecordingEngine engine{events};

    JobOptionsTest() {
        engine.script("doc.pdf", {{{595, 842, true}, {595, 842, true}}, FPDF_ERR_SUCCESS});
        printer.setup().trays = {{DMBIN_AUTO, L"auto"}, {257, L"tray-2"}};
        printer.setup().duplex = true;
    }
    ~JobOptionsTest() override { unsetAll(); }

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

    // The CreateDCW the job made, or the message it failed with.
    std::string print() {
        PrintJob job("rec:printer");
        try {
            job.options = JobOptions::fromParameters();
            job.print("doc.pdf", "Options", false);
        } catch (const plat::Exception& failure) {
            return failure.message;
        }
        const auto created = events.startingWith("CreateDCW");
        return created.empty() ? "" : created.front();
    }
    // What the job asked of the printer with the job's settings.
    Events settingsQueries() const {
        Events found;
        for (const std::string& event : events.startingWith("DeviceCapabilitiesW"))
            if (event.size() > 9 && event.compare(event.size() - 9, 9, " settings") == 0) found.push_back(event);
        return found;
    }
};

TEST_F(JobOptionsTest, EveryControlTravelsInTheSettingsWithItsFlag) {
    EXPECT_EQ(print(), "CreateDCW paper=9 width=2100 length=2970 orientation=1 form=A4")
        << "unset, the settings stay as the printer gave them";
    EXPECT_TRUE(settingsQueries().empty()) << "nothing set, nothing asked";
    events.events.clear();
    for (const char* argument : {"Copies=3", "-collate=no", "--Duplex=short", "Tray=Tray 2", "Color=mono"})
        set(argument);
    EXPECT_EQ(print(), "CreateDCW paper=9 width=2100 length=2970 orientation=1 form=A4 copies=3 "
                       "collate=0 duplex=3 source=257 color=1");
    // Each control the printer must offer is asked for with the job's
    // settings; monochrome needs no asking.
    EXPECT_EQ(settingsQueries(), (Events{"DeviceCapabilitiesW rec:printer DC_COPIES settings",
                                         "DeviceCapabilitiesW rec:printer DC_DUPLEX settings",
                                         "DeviceCapabilitiesW rec:printer DC_BINS settings",
                                         "DeviceCapabilitiesW rec:printer DC_BINS output settings",
                                         "DeviceCapabilitiesW rec:printer DC_BINNAMES output settings"}));
    events.events.clear();
    set("Collate=yes");
    set("Duplex=long");
    set("Tray=auto");
    set("Color=color");
    EXPECT_EQ(print(), "CreateDCW paper=9 width=2100 length=2970 orientation=1 form=A4 copies=3 "
                       "collate=1 duplex=2 source=7 color=2");
}

TEST_F(JobOptionsTest, ValuesThatAreNoneOfThoseAcceptedSayWhatIs) {
    const std::pair<const char*, const char*> cases[] = {
        {"Copies=0", "Copies=0 is not accepted: use a number from 1 to 999"},
        {"Copies=2x", "Copies=2x is not accepted: use a number from 1 to 999"},
        {"Duplex=both", "Duplex=both is not accepted: use off, long or short"},
        {"Scaling=zoom", "Scaling=zoom is not accepted: use auto, fit, none or stretch"},
        {"Pages=3-1", "Pages=3-1 is not accepted: use page numbers and ranges from 1, such as 1-3,7,10-"},
        {"User=jane:x", "User=jane:x is not accepted: use a user name (without colons or control characters)"},
        {"PasswordFile=", "PasswordFile= is not accepted: name the file that holds the password"},
    };
    for (const auto& [argument, message] : cases) {
        set(argument);
        EXPECT_EQ(print(), message);
        unsetAll();
    }
    EXPECT_EQ(printer.liveContexts(), 0);
    EXPECT_EQ(events.count("OpenPrinterW"), 0u) << "refused before the printer is opened";
}

TEST_F(JobOptionsTest, SettingsThePrinterDoesNotOfferEndTheRunBeforeAnyDeviceContext) {
    const std::pair<const char*, const char*> cases[] = {
        {"Tray=tray-9", "Tray=tray-9 is not offered by the printer: it has auto, tray-2"},
        {"Pages=3-", "Pages=3- selects no page: the document has 2"},
        {"Copies=50", "Copies=50 is not offered by the printer: it makes at most 9 copies"},
        {"Color=color", "Color=color is not offered by the printer: it prints in monochrome only"},
    };
    printer.setup().maxCopies = 9;
    printer.setup().color = false;
    for (const auto& [argument, message] : cases) {
        set(argument);
        EXPECT_EQ(print(), message);
        unsetAll();
    }
    printer.setup().duplex = false;
    set("Duplex=long");
    EXPECT_EQ(print(), "Duplex=long is not offered by the printer: it prints one-sided only");
    EXPECT_TRUE(events.startingWith("CreateDCW").empty());
    EXPECT_TRUE(events.startingWith("StartDocW").empty());
    // Every printer opened for a refused run is closed again.
    EXPECT_EQ(printer.liveHandles(), 0);
    EXPECT_EQ(events.count("OpenPrinterW"), events.count("ClosePrinter"));
}

TEST_F(JobOptionsTest, PagesPrintsOnlyTheSelectedPagesInDocumentOrder) {
    engine.script("doc.pdf", {{{595, 842, true}, {842, 595, true}, {612, 792, true}}, FPDF_ERR_SUCCESS});
    set("Pages=3,1");
    print();
    EXPECT_EQ(events.startingWith("FPDF_LoadPage"), (Events{"FPDF_LoadPage 0", "FPDF_LoadPage 2"}));
    EXPECT_EQ(events.count("StartPage"), 2u);
}

}  // namespace
