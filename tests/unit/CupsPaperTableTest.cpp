// The paper table built from a CUPS destination's media database, and the
// job name made from a title.
#include <cups/cups.h>
#include <gtest/gtest.h>

#include <array>
#include <set>
#include <utility>
#include <vector>

#include "posix/drivers/cups/CupsJob.h"
#include "posix/drivers/cups/CupsPaperTable.h"

namespace posix {
namespace {

CupsMedia media(const char* name, int32_t width, int32_t length, int32_t side = 400,
                int32_t edge = 600) {
    return {name, width, length, side, side, edge, edge};
}

CupsMedia borderless(const char* name, int32_t width, int32_t length) {
    return media(name, width, length, 0, 0);
}

// Papers as a media database gives them, at true size with the usual margins.
const CupsMedia kA4 = media("iso_a4_210x297mm", 21000, 29700);
const CupsMedia kA5 = media("iso_a5_148x210mm", 14800, 21000);
const CupsMedia kLetter = media("na_letter_8.5x11in", 21590, 27940);
const CupsMedia kCard = media("custom_68.79x95.25mm_68.79x95.25mm", 6879, 9525);   // no Windows id

using Ids = std::vector<int16_t>;
using Size = std::pair<int32_t, int32_t>;             // width, length
using Margins = std::array<int32_t, 4>;               // left, top, right, bottom

// The Windows ids of the table's papers, in order.
Ids idsOf(const std::vector<Paper>& table) {
    Ids ids;
    for (const Paper& paper : table) ids.push_back(paper.id);
    return ids;
}

Size sizeOf(const Paper& paper) { return {paper.width, paper.length}; }

Margins marginsOf(const Paper& paper) {
    return {paper.marginLeft, paper.marginTop, paper.marginRight, paper.marginBottom};
}

TEST(CupsPaperTable, BorderlessVariantsCollapseIntoThePaperWithMargins) {
    // Borderless first or second, the paper keeps its margins, its place and
    // its Windows id, and appears once.
    const auto table = buildPaperTable({
        borderless("iso_a4_210x297mm_borderless", 21000, 29700),
        kLetter,
        kA4,
        borderless("na_letter_8.5x11in_borderless", 21590, 27940),
    });
    ASSERT_EQ(idsOf(table), (Ids{posix::paper_id::A4, posix::paper_id::Letter}));
    EXPECT_EQ(table[0].name, u"A4");
    EXPECT_EQ(marginsOf(table[0]), (Margins{400, 600, 400, 600}));
    EXPECT_EQ(table[1].marginLeft, 400);
}

TEST(CupsPaperTable, APaperOfferedOnlyBorderlessIsKept) {
    const auto table = buildPaperTable({borderless("iso_a5_148x210mm_borderless", 14800, 21000)});
    ASSERT_EQ(idsOf(table), (Ids{posix::paper_id::A5}));
    EXPECT_EQ(table[0].name, u"A5");
    EXPECT_EQ(table[0].marginLeft, 0);
}

TEST(CupsPaperTable, StandardPapersRoundedToPointsGetTheirTrueSize) {
    // A PPD gives A4 as 595 x 842 and A5 as 420 x 595 points; an A5 page
    // (1480 x 2100 tenths) would miss 1481 x 2099 by two tenths. Entries of
    // the same paper from the PPD and from IPP are one paper.
    const auto table = buildPaperTable({
        media("iso_a4_210x297mm", 20990, 29704),
        kA4,
        media("iso_a5_148x210mm", 14817, 20990),
        kCard,
        media("na_letter_8.5x11in", 20000, 28000),   // a name that does not fit the size
    });
    ASSERT_EQ(table.size(), 4u);
    EXPECT_EQ(table[0].id, posix::paper_id::A4);
    EXPECT_EQ(sizeOf(table[0]), Size(21000, 29700));
    EXPECT_EQ(table[1].id, posix::paper_id::A5);
    EXPECT_EQ(sizeOf(table[1]), Size(14800, 21000));
    EXPECT_EQ(sizeOf(table[2]), Size(6879, 9525));
    EXPECT_EQ(table[3].width, 20000);
}

TEST(CupsPaperTable, SizesWithoutAWindowsIdGetDistinctIdsAboveUser) {
    const auto table = buildPaperTable({
        kCard,
        kA4,
        media("om_small-photo_100x150mm", 10000, 15000),
        media("custom_5x13in_5x13in", 12700, 33020),
    });
    ASSERT_EQ(idsOf(table), (Ids{posix::kOwnSizePaper + 1, posix::paper_id::A4, posix::kOwnSizePaper + 2, posix::kOwnSizePaper + 3}));
    EXPECT_EQ(table[0].name, u"68.79x95.25mm");
    EXPECT_EQ(table[3].name, u"5x13");
}

TEST(CupsPaperTable, AWindowsIdIsNeverGivenTwice) {
    // Two sizes a media database calls A4 but that are not the same paper.
    const auto table = buildPaperTable({kA4, media("iso_a4_210x297mm_tray-2", 21000, 30500)});
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table[0].id, posix::paper_id::A4);
    EXPECT_GT(table[1].id, posix::kOwnSizePaper);
}

TEST(CupsPaperTable, UnusableEntriesAreLeftOut) {
    const auto table = buildPaperTable({
        media("custom_none_0x0mm", 0, 0),
        media("iso_a4_210x297mm", 21000, 29700, 10500, 600),   // margins cover the width
        media("roll_max_914x50000mm", 91400, 5000000),          // beyond what 16 bits of tenths hold
        media("iso_a4_210x297mm", -1, 29700),
        kA5,
    });
    ASSERT_EQ(idsOf(table), (Ids{posix::paper_id::A5}));
}

TEST(CupsPaperTable, WindowsIdsFollowTheSizesWindowsGivesThem) {
    // Windows' own sizes for its ids (hundredths of a millimetre), through
    // the PWG name CUPS gives each size, must lead back to the same id.
    struct Size {
        int16_t id;
        int32_t width;
        int32_t length;
    };
    const Size sizes[] = {
        {posix::paper_id::Letter, 21590, 27940},    {posix::paper_id::Tabloid, 27940, 43180},
        {posix::paper_id::Legal, 21590, 35560},     {posix::paper_id::Statement, 13970, 21590},
        {posix::paper_id::Executive, 18415, 26670}, {posix::paper_id::A3, 29700, 42000},
        {posix::paper_id::A4, 21000, 29700},        {posix::paper_id::A5, 14800, 21000},
        {posix::paper_id::B4, 25700, 36400},        {posix::paper_id::B5, 18200, 25700},
        {posix::paper_id::Folio, 21590, 33020},     {posix::paper_id::Env9, 9843, 22543},
        {posix::paper_id::Env10, 10478, 24130},    {posix::paper_id::Env11, 11430, 26353},
        {posix::paper_id::Env12, 12065, 27940},    {posix::paper_id::Env14, 12700, 29210},
        {posix::paper_id::EnvDL, 11000, 22000},    {posix::paper_id::EnvC5, 16200, 22900},
        {posix::paper_id::EnvC3, 32400, 45800},    {posix::paper_id::EnvC4, 22900, 32400},
        {posix::paper_id::EnvC6, 11400, 16200},    {posix::paper_id::EnvC65, 11400, 22900},
        {posix::paper_id::EnvB4, 25000, 35300},    {posix::paper_id::EnvB5, 17600, 25000},
        {posix::paper_id::EnvMonarch, 9843, 19050}, {posix::paper_id::A2, 42000, 59400},
        {posix::paper_id::A6, 10500, 14800},        {posix::paper_id::B6Jis, 12800, 18200},
    };
    std::set<int16_t> seen;
    for (const Size& size : sizes) {
        pwg_media_t* pwg = pwgMediaForSize(size.width, size.length);
        ASSERT_NE(pwg, nullptr) << size.id;
        EXPECT_EQ(windowsPaperId(pwg->pwg), size.id) << pwg->pwg;
        EXPECT_TRUE(seen.insert(size.id).second);
    }
    EXPECT_EQ(windowsPaperId("iso_a4_210x297mm_borderless"), posix::paper_id::A4);
    EXPECT_EQ(windowsPaperId("om_small-photo_100x150mm"), 0);
}

TEST(CupsPaperTable, BaseNameDropsVariantsButNotNamesThatLookLikeSizes) {
    EXPECT_EQ(basePwgName("iso_a4_210x297mm"), "iso_a4_210x297mm");
    EXPECT_EQ(basePwgName("iso_a4_210x297mm_borderless"), "iso_a4_210x297mm");
    EXPECT_EQ(basePwgName("na_number-10_4.125x9.5in_by-pass-tray"), "na_number-10_4.125x9.5in");
    EXPECT_EQ(basePwgName("custom_68.79x95.25mm_68.79x95.25mm_borderless"),
              "custom_68.79x95.25mm_68.79x95.25mm");
    EXPECT_EQ(basePwgName("photo"), "photo");
    EXPECT_EQ(basePwgName("na_letter"), "na_letter");
    EXPECT_EQ(basePwgName("iso_a4_x297mm"), "iso_a4_x297mm");
}

TEST(CupsPaperTable, FindingAPaperBySizeAllowsPointRounding) {
    const auto table = buildPaperTable({kA5, kA4});
    EXPECT_EQ(findPaperBySize(table, 20990, 29704), 1);
    EXPECT_EQ(findPaperBySize(table, 14800, 21000), 0);
    EXPECT_EQ(findPaperBySize(table, 21000, 29800), -1);
    EXPECT_EQ(findPaperBySize(table, 29700, 21000), -1);   // turned is another size
}

TEST(CupsJobName, ControlCharactersBecomeBlanksAndLongTitlesAreCutOnACharacter) {
    EXPECT_EQ(jobNameForTitle("Invoice\t2024\nfinal\x7f"), "Invoice 2024 final ");
    EXPECT_EQ(jobNameForTitle("Über"), "Über");

    std::string title(254, 'a');
    title += "\xc3\xa9\xc3\xa9";   // "éé": the first one ends past byte 255
    const std::string name = jobNameForTitle(title);
    EXPECT_EQ(name, std::string(254, 'a'));

    EXPECT_EQ(jobNameForTitle(std::string(300, 'b')).size(), 255u);
}

}  // namespace
}  // namespace posix
