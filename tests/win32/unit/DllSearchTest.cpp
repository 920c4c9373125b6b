// The program's DLL search: after start-up a DLL name is never looked up in
// the current folder, where anyone who chooses the folder a run starts in
// could have put one.
#include <gtest/gtest.h>

#include <filesystem>

#include "plat/WinApi.h"
#include "win32/DllSearch.h"

namespace {

namespace fs = std::filesystem;

TEST(DllSearch, ADllPlantedInTheCurrentFolderIsNoLongerFoundByName) {
    const fs::path folder = fs::temp_directory_path() / "quorlex-dll-search";
    fs::create_directories(folder);
    // Any DLL will do; its name is found nowhere but here.
    fs::copy_file(QUORLEX_PARTIAL_ENGINE, folder / "quorlex-planted.dll", fs::copy_options::overwrite_existing);
    const fs::path previous = fs::current_path();
    fs::current_path(folder);

    HMODULE found = LoadLibraryW(L"quorlex-planted.dll");
    EXPECT_NE(found, nullptr) << "the classic search order looks in the current folder";
    if (found) FreeLibrary(found);
    EXPECT_TRUE(win32::limitDllSearchToSafeFolders());
    found = LoadLibraryW(L"quorlex-planted.dll");
    EXPECT_EQ(found, nullptr);
    if (found) FreeLibrary(found);

    fs::current_path(previous);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

}  // namespace
