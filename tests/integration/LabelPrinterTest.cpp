// A label printer of the kind warehouses have, LPrint's Zebra printer: IPP
// Everywhere with raster alone (no PDF), 4 x 6 in labels on a roll, which
// prints every label of a job on the job's media. Printed by its URI with
// no scheduler, and through a driverless queue: each label comes out at its
// own size with Paper=exact, the copies as the printer makes them, and a
// job that would need two sizes prints nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "integration/support/DriverMatrix.h"
#include "integration/support/Sandbox.h"

namespace itest {
namespace {

using drivers::Delivery;
using drivers::DriverQueue;
using drivers::sizesOf;

constexpr double kMm = 72 / 25.4;

std::string document(const std::string& name, const std::vector<sandbox::PageSize>& pages) {
    const std::string path = makeTempDir("labels") + "/" + name + ".pdf";
    sandbox::writePdf(path, pages, sandbox::PageContent::Frame);
    return path;
}

std::vector<int> copiesOf(const printed::Reading& reading) {
    std::vector<int> copies;
    for (const printed::Sheet& sheet : reading.sheets) copies.push_back(sheet.copies);
    return copies;
}

#define QUORLEX_REQUIRE_LPRINT()                                                               \
    QUORLEX_REQUIRE_SANDBOX();                                                                 \
    if (sandbox::environment()->lprintUri.empty())                                             \
        GTEST_SKIP() << "the print sandbox has no LPrint label printer (it needs root and lprint)"

}  // namespace

TEST(LabelPrinter, ByItsUriEachLabelComesOutAtItsOwnSizeWithNoScheduler) {
    QUORLEX_REQUIRE_LPRINT();
    const auto* env = sandbox::environment();
    const DriverQueue printer{"lprint", env->lprintUri, env->lprintSpool, ""};
    const std::string parcel = document("parcel", {{100 * kMm, 150 * kMm}});
    const std::string receipt = document("receipt", {{80 * kMm, 200 * kMm}});

    // Unset, a label is on the stock loaded, at its true size.
    const Delivery loaded = drivers::print(printer, parcel);
    ASSERT_TRUE(loaded.printed()) << loaded.run.err;
    EXPECT_EQ(loaded.printer.language, "ZPL");
    EXPECT_EQ(sizesOf(loaded.printer), "102x152");

    const Delivery exact = drivers::print(printer, parcel, {"Paper=exact", "Copies=3"});
    ASSERT_TRUE(exact.printed()) << exact.run.err;
    EXPECT_EQ(sizesOf(exact.printer), "100x150");
    EXPECT_EQ(copiesOf(exact.printer), std::vector<int>{3});   // ^PQ3: the printer makes them

    const Delivery roll = drivers::print(printer, receipt, {"Paper=exact"});
    ASSERT_TRUE(roll.printed()) << roll.run.err;
    EXPECT_EQ(sizesOf(roll.printer), "80x200");

    // Two sizes in one job: nothing prints.
    const std::string both = document("both", {{100 * kMm, 150 * kMm}, {80 * kMm, 200 * kMm}});
    const Delivery refused = drivers::print(printer, both, {"Paper=exact"});
    EXPECT_EQ(refused.run.exitCode, 1);
    EXPECT_TRUE(holds(refused.run.err, "prints every page of a job on one paper")) << refused.run.err;
    EXPECT_TRUE(refused.bytes.empty());
}

TEST(LabelPrinter, ThroughADriverlessQueueEachLabelComesOutAtItsOwnSize) {
    QUORLEX_REQUIRE_LPRINT();
    const auto* env = sandbox::environment();
    const DriverQueue queue{"lprint", env->lprintQueue, env->lprintSpool, ""};
    const Delivery exact = drivers::print(queue, document("parcel", {{100 * kMm, 150 * kMm}}),
                                          {"Paper=exact", "Copies=2"});
    ASSERT_TRUE(exact.printed()) << exact.run.err;
    // The queue's driver wants manual copies: two labels of one each.
    EXPECT_EQ(sizesOf(exact.printer), "100x150 100x150");
    EXPECT_EQ(copiesOf(exact.printer), (std::vector<int>{1, 1}));
}

}  // namespace itest
