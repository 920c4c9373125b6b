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
    using DynamicFn = plat::DynamicFn;
    using Lines = std::vector<std::string>;

    DynamicFnProbeTest() : capture_(plat::dynamicFnLog) { plat::dynamicFnLog.level = plat::LevelDynamicFn; }

    // The probe's answer, or 0 when nothing was found.
    static int answer(const plat::DynamicFn& fn) {
        return fn.function ? fn.as<int (*)()>()() : 0;
    }
    static bool loaded(const WCHAR* libraryName) { return GetModuleHandleW(libraryName) != nullptr; }
    // What the loader logged, as "<level> <text>".
    Lines logged() const { return capture_.logger.leveledTexts(); }
    // The lines it logs: a library that did not load, a library without the
    // name, and where a name was found.
    static std::string openFailed(const std::string& library) {
        return "120  [DynFnOpen(" + library + ") failed]";
    }
    static std::string findFailed(const std::string& name) { return "120   [DynFnFind(" + name + ") failed]"; }
    static std::string found(const std::string& name, const std::string& library) {
        return "100 found '" + name + "' in '" + library + "'";
    }

    // A search in order on every system: a library that is not there, then
    // quorlexprobe_a, where the first name is missing and the second found.
    static constexpr const char* kLibrariesInOrder = "quorlexprobe_missing,quorlexprobe_a,quorlexprobe_b";
    static constexpr const char* kNamesInOrder = "quorlexProbeMissing,quorlexProbeOnlyInA";

private:
    WriterCapture capture_;
};

}  // namespace testsupport
