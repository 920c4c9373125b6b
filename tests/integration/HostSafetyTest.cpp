// What the surroundings of a run cannot make the program do: load a library
// planted in the folder it starts in under a Windows library's name.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "integration/support/Launch.h"
#include "integration/support/Sandbox.h"

namespace itest {
namespace {

TEST(HostSafety, ALibraryPlantedUnderAWindowsNameInTheStartingFolderNeverRuns) {
    const std::string folder = makeTempDir("planted");
    std::filesystem::copy_file(QUORLEX_PLANTED_LIBRARY, folder + "/libadvapi32.so");
    // An empty entry in LD_LIBRARY_PATH stands for the current folder.
    const char* path = std::getenv("LD_LIBRARY_PATH");
    const RunResult result = runQuorlex(
        {"-printpdf", std::string(QUORLEX_TEST_DATA) + "/mixed.pdf", "file:" + folder + "/out.pdf", "Planted"},
        Launch()
            .devNull()
            .in(folder)
            .set("LD_LIBRARY_PATH", std::string(":") + (path ? path : ""))
            .set("QUORLEX_PLANTED_MARK", folder + "/loaded"));
    sandbox::expectPrinted(result);
    EXPECT_FALSE(fileExists(folder + "/loaded")) << "the planted library ran";
}

}  // namespace
}  // namespace itest
