// The job controls as they reach the Windows printer: in the settings the
// device context is created with, each with its DM_ flag, or refused with
// what DeviceCapabilitiesW says the printer offers.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "common/JobControlsFixture.h"
#include "plat/Exception.h"
#include "print/JobOptions.h"
#include "print/JobParameters.h"
#include "print/PrintJob.h"
#include "win32/unit/support/RecordingEngine.h"
#include "win32/unit/support/RecordingSpooler.h"

namespace {

using Events = std::vector<std::string>;

class JobOptionsTest : public testsupport::JobControlsFixture<testsupport::RecordingSpooler,
                                                              testsupport::RecordingEngine> {
protected:
    JobOptionsTest() : JobControlsFixture(testsupport::kRecordingSpoolerCalls, "CreateDCW") {
        printer.setup().trays = {{DMBIN_AUTO, L"auto"}, {257, L"tray-2"}};
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

#include "common/JobControlsCases.inc"

TEST_F(JobOptionsTest, AValueRefusedAsWrittenNeverOpensThePrinter) {
    set("Copies=0");
    EXPECT_EQ(print(), "Copies=0 is not accepted: use a number from 1 to 999");
    EXPECT_EQ(events.count("OpenPrinterW"), 0u);
}

}  // namespace
