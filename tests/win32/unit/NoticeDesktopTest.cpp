// The failure notice of the Windows build is shown only where someone can
// see it: a run of a service, of a task without a logged-on user or of
// session 0 would otherwise wait for ever on a box nobody can close.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Notice.h"
#include "plat/Strings.h"
#include "win32/NoticeDesktop.h"

namespace {

// What the stubbed queries answer, and the boxes asked for.
struct Desktop {
    bool hasStation = true;
    bool flagsKnown = true;
    DWORD stationFlags = WSF_VISIBLE;
    bool sessionKnown = true;
    DWORD session = 1;
    std::vector<std::string> boxes;   // the text of each box shown
};

Desktop* desktop = nullptr;
const HWINSTA kStation = reinterpret_cast<HWINSTA>(0x5a);
constexpr DWORD kProcessId = 4711;

const win32::NoticeCalls kStubbedCalls{
    .processWindowStation = []() -> HWINSTA { return desktop->hasStation ? kStation : nullptr; },
    .userObjectInformation = [](HANDLE object, int index, PVOID info, DWORD size, LPDWORD needed) -> BOOL {
        if (object != kStation || index != UOI_FLAGS || size < sizeof(USEROBJECTFLAGS) || !desktop->flagsKnown)
            return FALSE;
        *static_cast<USEROBJECTFLAGS*>(info) = USEROBJECTFLAGS{FALSE, FALSE, desktop->stationFlags};
        if (needed) *needed = sizeof(USEROBJECTFLAGS);
        return TRUE;
    },
    .currentProcessId = []() -> DWORD { return kProcessId; },
    .processIdToSessionId = [](DWORD process, DWORD* session) -> BOOL {
        if (process != kProcessId || !desktop->sessionKnown) return FALSE;
        *session = desktop->session;
        return TRUE;
    },
    .messageBox = [](HWND, LPCWSTR text, LPCWSTR, UINT) -> int {
        desktop->boxes.push_back(plat::NarrowChars(text).get());
        return IDOK;
    },
};

class NoticeDesktopTest : public ::testing::Test {
protected:
    NoticeDesktopTest() { desktop = &state; }
    ~NoticeDesktopTest() override { desktop = nullptr; }

    // What showMessage gives for a failure notice.
    int notify() { return showMessage(nullptr, "Unable to print document: x", MB_ICONERROR, nullptr); }

    Desktop state;
    win32::InstalledNoticeCalls installed{kStubbedCalls};
};

TEST_F(NoticeDesktopTest, AnInteractiveDesktopOfAUsersSessionShowsTheBox) {
    EXPECT_TRUE(win32::noticeCanBeSeen());
    EXPECT_EQ(notify(), IDOK);
    EXPECT_EQ(state.boxes, std::vector<std::string>{"Unable to print document: x"});
}

TEST_F(NoticeDesktopTest, AWindowStationThatIsNotVisibleShowsNoBox) {
    // A service's station, or a task's run without a logged-on user.
    state.stationFlags = 0;
    EXPECT_EQ(notify(), 0);
    EXPECT_TRUE(state.boxes.empty());
}

TEST_F(NoticeDesktopTest, SessionZeroShowsNoBoxEvenOnAVisibleStation) {
    state.session = 0;
    EXPECT_EQ(notify(), 0);
    EXPECT_TRUE(state.boxes.empty());
}

TEST_F(NoticeDesktopTest, AQueryThatFailsCountsAsNobodyToSeeIt) {
    for (void (*breakQuery)(Desktop&) : {+[](Desktop& d) { d.hasStation = false; },
                                          +[](Desktop& d) { d.flagsKnown = false; },
                                          +[](Desktop& d) { d.sessionKnown = false; }}) {
        Desktop broken;
        breakQuery(broken);
        desktop = &broken;
        EXPECT_FALSE(win32::noticeCanBeSeen());
        EXPECT_EQ(notify(), 0);
        EXPECT_TRUE(broken.boxes.empty());
    }
    desktop = &state;
}

TEST(NoticeDesktopCalls, AreTheSystemsUnlessATestInstallsOthers) {
    EXPECT_EQ(&win32::noticeCalls(), &win32::systemNoticeCalls());
    EXPECT_NE(win32::systemNoticeCalls().messageBox, nullptr);
    {
        win32::InstalledNoticeCalls installed(kStubbedCalls);
        EXPECT_EQ(&win32::noticeCalls(), &kStubbedCalls);
    }
    EXPECT_EQ(&win32::noticeCalls(), &win32::systemNoticeCalls());
}

}  // namespace
