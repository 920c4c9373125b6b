// The printer's paper table: what it loads from the spooler (the
// DeviceCapabilitiesW queries, in order), how it guards its indexes and how
// the spooler backend writes a paper into printer settings.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "os/PaperSizes.h"
#include "plat/Exception.h"
#include "win32/printing/SpoolerPrinter.h"
#include "win32/unit/support/RecordingSpooler.h"

namespace {

using testsupport::EventLog;
using testsupport::RecordingSpooler;
using Events = std::vector<std::string>;

std::u16string nameAt(const PaperSizeTable& table, int index) { return table.name(index); }

class PaperSizeTableTest : public ::testing::Test {
protected:
    EventLog events;
    RecordingSpooler printer{events};
    PaperSizeTable table;

    void load() {
        winprint::SpoolerPrinter opened(printer.name().c_str());
        table.load(opened);
    }
    Events paperQueries() const { return events.startingWith("DeviceCapabilitiesW"); }
};

// The count, then each list into room for that many, with the printer's
// default settings (none passed).
const Events kPaperQueries = {"DeviceCapabilitiesW rec:printer DC_PAPERS",
                              "DeviceCapabilitiesW rec:printer DC_PAPERS output",
                              "DeviceCapabilitiesW rec:printer DC_PAPERNAMES output",
                              "DeviceCapabilitiesW rec:printer DC_PAPERSIZE output"};

TEST_F(PaperSizeTableTest, LoadsEveryPaperInTheDriversOrderInTenthsOfAMillimetre) {
    load();
    ASSERT_EQ(table.count(), 4);
    EXPECT_EQ(table.id(0), DMPAPER_A4);
    EXPECT_EQ(nameAt(table, 0), u"A4");
    EXPECT_EQ(table.size(0)->width, 2100);
    EXPECT_EQ(table.size(0)->length, 2970);
    EXPECT_EQ(table.id(1), DMPAPER_LETTER);
    EXPECT_EQ(nameAt(table, 1), u"Letter");
    EXPECT_EQ(table.size(1)->width, 2159);
    EXPECT_EQ(table.size(1)->length, 2794);
    EXPECT_EQ(table.id(3), DMPAPER_A3);
    EXPECT_EQ(table.size(3)->length, 4200);
    EXPECT_EQ(paperQueries(), kPaperQueries);
}

TEST_F(PaperSizeTableTest, APaperListThatChangesWhileItIsReadIsRefusedNotMixed) {
    std::vector<testsupport::SpoolerPaper> fewer = testsupport::officePapers();
    fewer.pop_back();
    printer.setup().papersChangeAfterFirstQuery = fewer;
    try {
        load();
        ADD_FAILURE() << "a changing list must not load";
    } catch (const plat::Exception& failure) {
        EXPECT_STREQ(failure.message, "The papers of printer rec:printer changed while they were read");
    }
    EXPECT_EQ(table.count(), 0);
    // The list that no longer has the count is the first one read.
    EXPECT_EQ(paperQueries(), (Events{"DeviceCapabilitiesW rec:printer DC_PAPERS",
                                      "DeviceCapabilitiesW rec:printer DC_PAPERS output"}));
}

TEST_F(PaperSizeTableTest, LoadingAgainReplacesTheEarlierList) {
    load();
    printer.setup().papers = {{DMPAPER_A5, L"A5", 14800, 21000, 0, 0, 0, 0}};
    load();
    ASSERT_EQ(table.count(), 1);
    EXPECT_EQ(table.id(0), DMPAPER_A5);
    EXPECT_EQ(nameAt(table, 0), u"A5");
}

TEST_F(PaperSizeTableTest, PrinterWithoutPapersOrFailingQueryLeavesTheTableEmpty) {
    load();
    printer.setup().papers.clear();
    events.events.clear();
    load();
    EXPECT_EQ(table.count(), 0);
    EXPECT_THROW(table.size(0), plat::AssertionFail);
    // No papers counted: no list is asked for.
    EXPECT_EQ(paperQueries(), Events{"DeviceCapabilitiesW rec:printer DC_PAPERS"});

    // An unknown printer makes DeviceCapabilitiesW report -1: not a count.
    events.events.clear();
    EXPECT_TRUE(winprint::printerPapers(L"rec:missing").empty());
    EXPECT_EQ(paperQueries(), Events{"DeviceCapabilitiesW rec:missing DC_PAPERS failed"});
}

TEST_F(PaperSizeTableTest, AccessorsRejectIndexesOutsideTheTableWithTheirOwnLine) {
    load();
    struct Case {
        const char* accessor;
        int line;
        void (*call)(const PaperSizeTable&, int);
    };
    const Case cases[] = {
        {"size", 59, [](const PaperSizeTable& t, int i) { t.size(i); }},
        {"name", 65, [](const PaperSizeTable& t, int i) { t.name(i); }},
        {"id", 71, [](const PaperSizeTable& t, int i) { t.id(i); }},
    };
    for (const Case& c : cases) {
        for (int index : {-1, 4, 1000}) {
            SCOPED_TRACE(std::string(c.accessor) + " at " + std::to_string(index));
            try {
                c.call(table, index);
                ADD_FAILURE() << "no assertion";
            } catch (const plat::AssertionFail& failure) {
                const std::string expected = "Assertion '(index < num) && (index >= 0)' failed at "
                                             "os/PaperSizes:" + std::to_string(c.line);
                EXPECT_EQ(std::string(failure.message), expected);
                EXPECT_STREQ(failure.file, "os/PaperSizes");
                EXPECT_EQ(failure.line, c.line);
            }
        }
        // The last valid index passes.
        EXPECT_NO_THROW(c.call(table, 3));
    }
}

TEST_F(PaperSizeTableTest, ApplyToWritesOnlyThePapersIdNameAndSize) {
    load();
    DEVMODEW settings;
    std::memset(&settings, 0x5a, sizeof settings);
    DEVMODEW expected = settings;
    winprint::applyPaper(settings, table.paper(1));

    expected.dmPaperSize = DMPAPER_LETTER;
    expected.dmPaperWidth = 2159;
    expected.dmPaperLength = 2794;
    std::memset(expected.dmFormName, 0, sizeof expected.dmFormName);
    expected.dmFormName[0] = L'L';
    expected.dmFormName[1] = L'e';
    expected.dmFormName[2] = L't';
    expected.dmFormName[3] = L't';
    expected.dmFormName[4] = L'e';
    expected.dmFormName[5] = L'r';
    // Orientation, dmFields and everything else keep their bytes; a short
    // name is padded with zeros to the end of the field.
    EXPECT_EQ(std::memcmp(&settings, &expected, sizeof settings), 0);
}

TEST_F(PaperSizeTableTest, ApplyToCutsLongNamesToTheFormNameFieldWithoutTerminator) {
    const std::wstring forty = L"Extra wide continuous fanfold paper 40ch";
    ASSERT_EQ(forty.size(), 40u);
    const std::wstring exactly32 = forty.substr(0, 32);
    printer.setup().papers = {{DMPAPER_USER, forty, 37800, 27940, 0, 0, 0, 0},
                              {DMPAPER_USER, exactly32, 37800, 27940, 0, 0, 0, 0}};
    load();

    for (int index : {0, 1}) {
        DEVMODEW settings;
        std::memset(&settings, 0, sizeof settings);
        settings.dmFormName[0] = L'?';
        settings.dmLogPixels = 77;   // the field right after the form name
        winprint::applyPaper(settings, table.paper(index));
        EXPECT_EQ(std::wstring(settings.dmFormName, CCHFORMNAME), exactly32);
        EXPECT_EQ(settings.dmLogPixels, 77);
        EXPECT_EQ(testsupport::formNameOf(settings), "Extra wide continuous fanfold pa");
    }
}

}  // namespace
