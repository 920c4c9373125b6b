// The console: usable standard input at start means present; without a
// controlling terminal no console can be had, and the streams stay.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "app/Console.h"
#include "plat/Exception.h"
#include "plat/WinApi.h"

TEST(ConsoleHandles, PresentFollowsWhetherStandardInputIsOpen) {
    int saved = dup(0);
    ASSERT_GE(saved, 0);
    close(0);
    EXPECT_EQ(GetStdHandle(STD_INPUT_HANDLE), INVALID_HANDLE_VALUE);
    bool presentWhenClosed = Console().present;
    int fd = open("/dev/null", O_RDONLY);   // takes descriptor 0 again
    bool presentWhenOpen = Console().present;
    close(fd);
    dup2(saved, 0);
    close(saved);
    EXPECT_FALSE(presentWhenClosed);
    EXPECT_TRUE(presentWhenOpen);
}

TEST(ConsoleHandles, DuplicateIsASeparateDescriptorThatCloseHandleReleases) {
    HANDLE file = CreateFileW(u"/proc/self/exe", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    HANDLE copy = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), file, GetCurrentProcess(), &copy, 0, FALSE,
                                DUPLICATE_SAME_ACCESS));
    EXPECT_NE(copy, file);
    EXPECT_TRUE(CloseHandle(copy));
    EXPECT_FALSE(CloseHandle(copy));
    EXPECT_TRUE(CloseHandle(file)) << "closing the copy must leave the original open";
}

TEST(ConsoleDeathTest, EnsureWithoutTerminalThrowsAndLeavesTheStreams) {
    EXPECT_EXIT(
        {
            setsid();
            close(0);
            Console console;
            try {
                console.ensure();
                _exit(10);
            } catch (plat::Exception& e) {
                bool ok = std::string(e.message) == "AllocConsole: No such device or address (6)" &&
                          !console.present && fileno(stdout) == 1;
                _exit(ok ? 0 : 11);
            }
        },
        testing::ExitedWithCode(0), "");
}
