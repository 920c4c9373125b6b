#include "win32/NoticeDesktop.h"

namespace win32 {

namespace {

// Null: the system's table.
const NoticeCalls* installed = nullptr;

bool stationIsVisible(const NoticeCalls& calls) {
    HWINSTA station = calls.processWindowStation();
    if (station == nullptr) return false;
    USEROBJECTFLAGS flags{};
    DWORD needed = 0;
    if (!calls.userObjectInformation(station, UOI_FLAGS, &flags, sizeof flags, &needed)) return false;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

bool outsideSessionZero(const NoticeCalls& calls) {
    DWORD session = 0;
    if (!calls.processIdToSessionId(calls.currentProcessId(), &session)) return false;
    return session != 0;
}

}  // namespace

const NoticeCalls& systemNoticeCalls() {
    static const NoticeCalls system{&GetProcessWindowStation, &GetUserObjectInformationW, &GetCurrentProcessId,
                                    &ProcessIdToSessionId, &MessageBoxW};
    return system;
}

const NoticeCalls& noticeCalls() { return installed ? *installed : systemNoticeCalls(); }

bool noticeCanBeSeen() {
    const NoticeCalls& calls = noticeCalls();
    return stationIsVisible(calls) && outsideSessionZero(calls);
}

InstalledNoticeCalls::InstalledNoticeCalls(const NoticeCalls& calls) : InstalledTable(installed, calls) {}

}  // namespace win32

int showNoticeBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    // The run's failure is logged either way; only the box is left out.
    if (!win32::noticeCanBeSeen()) return 0;
    return win32::noticeCalls().messageBox(owner, text, caption, type);
}
