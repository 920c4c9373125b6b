// What a CUPS class offers, made of what its members offer: a job may land
// on any member, so only what every member has may be asked for, and the
// printable area is the one every member can print.
#include <gtest/gtest.h>

#include "posix/drivers/cups/CupsClass.h"

namespace {

posix::Paper paper(const char16_t* name, int32_t width, int32_t length, int32_t margin) {
    return posix::Paper{1, name, width, length, margin, margin, margin, margin};
}

posix::Tray tray(const char* keyword) { return posix::Tray{256, u"", keyword}; }

}  // namespace

TEST(CupsClasses, AClassOffersWhatEveryMemberOffersWithTheWidestMargins) {
    posix::CupsDescription first;
    first.papers = {paper(u"A3", 29700, 42000, 400), paper(u"A4", 21000, 29700, 400), paper(u"Letter", 21590, 27940, 400)};
    first.defaults.paperIndex = 1;
    first.capabilities = {{tray("auto"), tray("tray-1"), tray("tray-2")}, true, true, 999};
    first.deviceTakesIpp = true;
    posix::CupsDescription second;
    // A4 given 0.3 mm off, as a PPD in whole points has it.
    second.papers = {paper(u"Letter", 21590, 27940, 300), paper(u"A4", 21030, 29700, 600)};
    second.capabilities = {{tray("tray-2"), tray("auto")}, false, true, 99};

    const posix::CupsDescription shared = posix::describeClass({first, second});
    ASSERT_EQ(shared.papers.size(), 2u);
    EXPECT_EQ(shared.papers[0].name, u"A4");
    EXPECT_EQ(shared.papers[0].marginLeft, 600);
    EXPECT_EQ(shared.papers[1].name, u"Letter");
    EXPECT_EQ(shared.papers[1].marginLeft, 400);
    EXPECT_EQ(shared.defaults.paperIndex, 0);   // the first member's A4
    ASSERT_EQ(shared.capabilities.trays.size(), 2u);
    EXPECT_EQ(shared.capabilities.trays[0].keyword, "auto");
    EXPECT_EQ(shared.capabilities.trays[1].keyword, "tray-2");
    EXPECT_FALSE(shared.capabilities.duplex);
    EXPECT_TRUE(shared.capabilities.color);
    EXPECT_EQ(shared.capabilities.maxCopies, 99);
    EXPECT_TRUE(shared.deviceTakesIpp);
}
