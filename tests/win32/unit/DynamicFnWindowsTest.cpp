// Dynamic function loading on Windows, against the two probe DLLs beside
// the test program (quorlexprobe_a.dll: answer 1 and quorlexProbeOnlyInA;
// _b: answer 2): base names take the ".dll" pattern, paths and literal
// names are used as written, and each library is held only while found.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plat/DynamicFn.h"
#include "unit/support/DynamicFnProbe.h"

namespace {

using DynamicFnOnWindows = testsupport::DynamicFnProbeTest;

TEST_F(DynamicFnOnWindows, BaseNamesBecomeDllFilesTriedInOrder) {
    DynamicFn fn(kLibrariesInOrder, kNamesInOrder, false);
    EXPECT_EQ(answer(fn), 11);
    EXPECT_EQ(logged(), (Lines{openFailed("quorlexprobe_missing.dll"), findFailed("quorlexProbeMissing"),
                               found("quorlexProbeOnlyInA", "quorlexprobe_a.dll")}));
    EXPECT_FALSE(loaded(WIDE("quorlexprobe_b.dll")));
}

TEST_F(DynamicFnOnWindows, PathsAndLiteralNamesAreUsedAsWritten) {
    DynamicFn path("C:\\no\\such\\dir\\quorlexprobe_b," QUORLEX_PROBE_LIBRARY_A,
                   "quorlexProbeAnswer", false);
    EXPECT_EQ(answer(path), 1);
    // A literal name gets no pattern: no ".so" library exists here.
    DynamicFn literal("quorlexprobe_a.so,quorlexprobe_b.dll", "quorlexProbeAnswer", true);
    EXPECT_EQ(answer(literal), 2);
    EXPECT_EQ(logged(), (Lines{openFailed("C:\\no\\such\\dir\\quorlexprobe_b"),
                               found("quorlexProbeAnswer", QUORLEX_PROBE_LIBRARY_A),
                               openFailed("quorlexprobe_a.so"), found("quorlexProbeAnswer", "quorlexprobe_b.dll")}));
}

TEST_F(DynamicFnOnWindows, TheLibraryIsHeldForTheObjectsLifeAndReleasedAfter) {
    {
        DynamicFn none("quorlexprobe_b", "quorlexProbeOnlyInA", false);
        EXPECT_EQ(none.module, nullptr);
        EXPECT_FALSE(loaded(WIDE("quorlexprobe_b.dll")));

        DynamicFn fn("quorlexprobe_b", "quorlexProbeAnswer", false);
        EXPECT_TRUE(loaded(WIDE("quorlexprobe_b.dll")));
        EXPECT_EQ(answer(fn), 2);
    }
    EXPECT_FALSE(loaded(WIDE("quorlexprobe_b.dll")));
}

TEST_F(DynamicFnOnWindows, TheRegistryReflectionFunctionsComeFromAdvapi32) {
    // Defined at start-up; the 64-bit system has all three.
    EXPECT_NE(plat::regQueryReflectionKey.function, nullptr);
    EXPECT_NE(plat::regEnableReflectionKey.function, nullptr);
    EXPECT_NE(plat::regDisableReflectionKey.function, nullptr);
}

}  // namespace
