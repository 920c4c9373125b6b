// The fixture of the dynamic loading tests on every system: the loader's
// log recorded at its own level, and what the two probe libraries beside the
// test program answer (quorlexprobe_a: 1, and quorlexProbeOnlyInA 11;
// quorlexprobe_b: 2).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plat/DynamicFn.h"
#include "plat/WinApi.h"
#include "unit/support/LogRecording.h"

namespace testsupport {

class DynamicFnProbeTest : public ::testing::Test {
protected:
    DynamicFnProbeTest() : capture_(plat::dynamicFnLog) { plat::dynamicFnLog.level = plat::LevelDynamicFn; }

    // The probe's answer, or 0 when nothing was found.
    static int answer(const plat::DynamicFn& fn) {
        return fn.function ? fn.as<int (*)()>()() : 0;
    }
    static bool loaded(const WCHAR* libraryName) { return GetModuleHandleW(libraryName) != nullptr; }
    // What the loader logged, as "<level> <text>".
    std::vector<std::string> logged() const { return capture_.logger.leveledTexts(); }

private:
    WriterCapture capture_;
};

}  // namespace testsupport
