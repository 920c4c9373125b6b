// Dynamic function loading against two real test libraries next to the test
// binary (libquorlexprobe_a.so: answer 1 and quorlexProbeOnlyInA; _b: answer
// 2): the search order, paths and literal names used as written, bracketed
// alternatives, what is logged, and release of the library.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plat/DynamicFn.h"
#include "unit/support/DynamicFnProbe.h"

namespace {

using DynamicFnSearch = testsupport::DynamicFnProbeTest;

TEST_F(DynamicFnSearch, TriesLibrariesAndThenProcedureNamesInOrder) {
    DynamicFn fn(kLibrariesInOrder, kNamesInOrder, false);
    EXPECT_EQ(answer(fn), 11);
    EXPECT_NE(fn.module, nullptr);
    EXPECT_EQ(logged(), (Lines{openFailed("libquorlexprobe_missing.so"), findFailed("quorlexProbeMissing"),
                               found("quorlexProbeOnlyInA", "libquorlexprobe_a.so")}));
    EXPECT_FALSE(loaded(WIDE("libquorlexprobe_b.so")));
}

TEST_F(DynamicFnSearch, AWindowsLibraryIsNotFoundAndLoggedAsBeforeAndTheSearchGoesOn) {
    DynamicFn fn("ADVAPI32,quorlexprobe_a", "RegQueryReflectionKey,quorlexProbeAnswer", false);
    EXPECT_EQ(answer(fn), 1);
    EXPECT_EQ(logged(), (Lines{openFailed("libADVAPI32.so"), findFailed("RegQueryReflectionKey"),
                               found("quorlexProbeAnswer", "libquorlexprobe_a.so")}));
}

TEST_F(DynamicFnSearch, ReleasesALibraryThatLacksEveryNameAndGoesOn) {
    {
        DynamicFn none("quorlexprobe_b", "quorlexProbeOnlyInA", false);
        EXPECT_EQ(none.function, nullptr);
        EXPECT_EQ(none.module, nullptr);
        EXPECT_FALSE(loaded(WIDE("libquorlexprobe_b.so")));
    }
    EXPECT_EQ(logged(), (Lines{findFailed("quorlexProbeOnlyInA")}));
    DynamicFn next("quorlexprobe_b,quorlexprobe_a", "quorlexProbeOnlyInA", false);
    EXPECT_EQ(answer(next), 11);
}

TEST_F(DynamicFnSearch, UsesPathsAsWrittenWithoutThePattern) {
    DynamicFn fn("/no/such/dir/quorlexprobe_b,dir\\quorlexprobe_b," QUORLEX_PROBE_LIBRARY_A,
                 "quorlexProbeAnswer", false);
    EXPECT_EQ(answer(fn), 1);
    EXPECT_EQ(logged(), (Lines{openFailed("/no/such/dir/quorlexprobe_b"), openFailed("dir\\quorlexprobe_b"),
                               found("quorlexProbeAnswer", QUORLEX_PROBE_LIBRARY_A)}));
}

TEST_F(DynamicFnSearch, LiteralNamesAreUsedExactlyBracketsIncluded) {
    DynamicFn fn("quorlexprobe_a,libx[y],libquorlexprobe_b.so", "quorlexProbeAnswer", true);
    EXPECT_EQ(answer(fn), 2);
    EXPECT_EQ(logged(), (Lines{openFailed("quorlexprobe_a"), openFailed("libx[y]"),
                               found("quorlexProbeAnswer", "libquorlexprobe_b.so")}));
}

TEST_F(DynamicFnSearch, BracketedAlternativesYieldNothingAndTheSearchGoesOnAfterThem) {
    DynamicFn fn("quorlexprobe_a[x,y]ignored,quorlexprobe_b", "quorlexProbeAnswer", false);
    EXPECT_EQ(answer(fn), 2);
    EXPECT_EQ(logged().size(), 1u);

    DynamicFn unclosed("quorlexprobe_a[x,quorlexprobe_b", "quorlexProbeAnswer", false);
    EXPECT_EQ(unclosed.function, nullptr);
    EXPECT_EQ(logged().size(), 1u);

    // A bracket belongs to its own entry: the plain entries before it are tried.
    DynamicFn plainFirst("quorlexprobe_a,quorlexprobe_b[x]", "quorlexProbeAnswer", false);
    EXPECT_EQ(answer(plainFirst), 1);
}

TEST_F(DynamicFnSearch, TheLibraryIsHeldForTheObjectsLifeAndReleasedAfter) {
    {
        DynamicFn fn("quorlexprobe_b", "quorlexProbeAnswer", false);
        EXPECT_TRUE(loaded(WIDE("libquorlexprobe_b.so")));
        // A later attempt replaces the find and gives the first library back.
        DynamicFn replaced("quorlexprobe_a", "quorlexProbeAnswer", false);
        EXPECT_TRUE(replaced.open("libquorlexprobe_b.so", "quorlexProbeAnswer"));
        EXPECT_EQ(answer(replaced), 2);
        EXPECT_FALSE(loaded(WIDE("libquorlexprobe_a.so")));
    }
    EXPECT_FALSE(loaded(WIDE("libquorlexprobe_b.so")));
}

}  // namespace
