// Which paper a page of a size no paper has takes when Paper asks: the
// smallest that holds it at true size (upright before turned), the one that
// shrinks it least, or a size of its own within what the printer takes.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <vector>

#include "print/PaperChoice.h"

namespace {

// A label printer's stock, in tenths of a millimetre.
const std::vector<PaperExtent> kLabels = {
    {1016, 1270},   // 4 x 5 in, the default
    {1016, 1524},   // 4 x 6 in
    {1016, 2032},   // 4 x 8 in
    {2032, 1016},   // 8 x 4 in
    {508, 254},     // 2 x 1 in
};

// Where a pick puts the page: on which paper, turned or not, at true size
// or shrunk.
struct Placement {
    int32_t index;
    int32_t rotation;
    bool trueSize;
    bool operator==(const Placement&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Placement& placement) {
    return out << "paper " << placement.index << " rotation " << placement.rotation
               << (placement.trueSize ? " at true size" : " shrunk");
}

std::optional<Placement> placementOf(const std::optional<PaperPick>& pick) {
    if (!pick) return std::nullopt;
    return Placement{pick->index, pick->rotation, pick->trueSize};
}

TEST(PaperChoice, ALabelTakesTheSmallestStockThatHoldsItAtTrueSize) {
    // A 100 x 150 mm parcel label: 4 x 6 in holds it, 4 x 5 in is too short.
    ASSERT_EQ(placementOf(smallestPaperFor(kLabels, {1000, 1500})), (Placement{1, 0, true}));

    // An 80 x 200 mm receipt on 4 x 8 in; lying on its side it still goes
    // there, turned, rather than on the 8 x 4 in paper of its shape...
    EXPECT_EQ(smallestPaperFor(kLabels, {800, 2000})->index, 2);
    // ... unless that one is smaller: equal area, the first wins, upright.
    const auto lying = smallestPaperFor(kLabels, {2000, 800});
    EXPECT_EQ(lying->index, 2);
    EXPECT_EQ(lying->rotation, 3);
}

TEST(PaperChoice, APageNoStockHoldsGoesWhereItShrinksLeast) {
    // A4 on labels: 4 in across shrinks it to 48 % on 4 x 6, 4 x 8 and 8 x 4
    // in (turned) alike; the first of them, upright, takes it.
    ASSERT_EQ(placementOf(smallestPaperFor(kLabels, {2100, 2970})), (Placement{1, 0, false}));
    // A wide page is turned where that shrinks it less.
    EXPECT_EQ(smallestPaperFor({{1016, 1524}, {2032, 1016}}, {4000, 1500})->index, 1);
    EXPECT_EQ(smallestPaperFor({{1016, 1524}}, {4000, 1500})->rotation, 3);
    EXPECT_FALSE(smallestPaperFor({}, {2100, 2970}));
}

TEST(PaperChoice, APageGetsItsOwnSizeWithinTheRangeUprightElseTurned) {
    // The Zebra driver's range: 0.5 to 8 in across, 0.5 to 50 in down.
    const CustomRange zebra{{127, 127}, {2032, 12700}};
    const auto label = ownSizePaperFor(zebra, {1000, 1500});
    ASSERT_TRUE(label);
    EXPECT_EQ(label->index, -1);
    EXPECT_EQ(label->size.width, 1000);
    EXPECT_EQ(label->rotation, 0);

    // A receipt roll 80 mm wide: a receipt lying on its side is turned onto it.
    const CustomRange roll{{800, 500}, {800, 30000}};
    const auto receipt = ownSizePaperFor(roll, {2000, 800});
    ASSERT_TRUE(receipt);
    EXPECT_EQ(receipt->size.width, 800);
    EXPECT_EQ(receipt->size.length, 2000);
    EXPECT_EQ(receipt->rotation, 3);
    EXPECT_FALSE(ownSizePaperFor(roll, {2100, 2970}));
    EXPECT_FALSE(ownSizePaperFor(zebra, {0, 1500}));
}

TEST(PaperChoice, PaperValuesNameARuleOrAPaperIgnoringCase) {
    EXPECT_EQ(paperRuleOf("smallest"), PaperRule::Smallest);
    EXPECT_EQ(paperRuleOf("EXACT"), PaperRule::Exact);
    EXPECT_EQ(paperRuleOf("4x6"), PaperRule::Named);
    EXPECT_TRUE(samePaperName("letter", "Letter"));
    EXPECT_TRUE(samePaperName("Env 10", "env-10"));
    EXPECT_FALSE(samePaperName("A4", "A5"));
}

}  // namespace
