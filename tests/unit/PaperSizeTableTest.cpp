// The printer's paper table: what it loads from the driver, how it guards
// its indexes and how the spooler backend writes a paper into printer
// settings.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "os/PaperSizes.h"
#include "plat/Exception.h"
#include "posix/winapi/Utf.h"
#include "unit/support/RecordingPrinter.h"
#include "win32/printing/SpoolerPrinter.h"

namespace {

using testsupport::EventLog;
using testsupport::RecordingPrinter;

std::u16string nameAt(const PaperSizeTable& table, int index) { return table.name(index); }

class PaperSizeTableTest : public ::testing::Test {
protected:
    EventLog events;
    RecordingPrinter printer{events};
    PaperSizeTable table;

    void load() {
        winprint::SpoolerPrinter opened(printer.name().c_str());
        table.load(opened);
    }
};

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
}

TEST_F(PaperSizeTableTest, APaperListThatChangesWhileItIsReadIsRefusedNotMixed) {
    std::vector<posix::Paper> fewer = testsupport::officePapers();
    fewer.pop_back();
    printer.setup().papersChangeAfterFirstQuery = fewer;
    try {
        load();
        ADD_FAILURE() << "a changing list must not load";
    } catch (const plat::Exception& failure) {
        EXPECT_STREQ(failure.message, "The papers of printer rec:printer changed while they were read");
    }
    EXPECT_EQ(table.count(), 0);
}

TEST_F(PaperSizeTableTest, LoadingAgainReplacesTheEarlierList) {
    load();
    printer.setup().papers = {{DMPAPER_A5, u"A5", 14800, 21000, 0, 0, 0, 0}};
    load();
    ASSERT_EQ(table.count(), 1);
    EXPECT_EQ(table.id(0), DMPAPER_A5);
    EXPECT_EQ(nameAt(table, 0), u"A5");
}

TEST_F(PaperSizeTableTest, PrinterWithoutPapersOrFailingQueryLeavesTheTableEmpty) {
    load();
    printer.setup().papers.clear();
    load();
    EXPECT_EQ(table.count(), 0);
    EXPECT_THROW(table.size(0), plat::AssertionFail);

    // An unknown printer makes DeviceCapabilitiesW report -1: not a count.
    const std::u16string missing = posix::toUtf16(printer.missingName());
    EXPECT_TRUE(winprint::printerPapers(missing.c_str()).empty());
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
    expected.dmFormName[0] = u'L';
    expected.dmFormName[1] = u'e';
    expected.dmFormName[2] = u't';
    expected.dmFormName[3] = u't';
    expected.dmFormName[4] = u'e';
    expected.dmFormName[5] = u'r';
    // Orientation, dmFields and everything else keep their bytes; a short
    // name is padded with zeros to the end of the field.
    EXPECT_EQ(std::memcmp(&settings, &expected, sizeof settings), 0);
}

TEST_F(PaperSizeTableTest, ApplyToCutsLongNamesToTheFormNameFieldWithoutTerminator) {
    const std::u16string forty = u"Extra wide continuous fanfold paper 40ch";
    ASSERT_EQ(forty.size(), 40u);
    const std::u16string exactly32 = forty.substr(0, 32);
    printer.setup().papers = {{DMPAPER_USER, forty, 37800, 27940, 0, 0, 0, 0},
                              {DMPAPER_USER, exactly32, 37800, 27940, 0, 0, 0, 0}};
    load();

    for (int index : {0, 1}) {
        DEVMODEW settings;
        std::memset(&settings, 0, sizeof settings);
        settings.dmFormName[0] = u'?';
        settings.dmLogPixels = 77;   // the field right after the form name
        winprint::applyPaper(settings, table.paper(index));
        EXPECT_EQ(std::u16string(settings.dmFormName, CCHFORMNAME), exactly32);
        EXPECT_EQ(settings.dmLogPixels, 77);
        EXPECT_EQ(testsupport::formNameOf(settings), "Extra wide continuous fanfold pa");
    }
}

}  // namespace
