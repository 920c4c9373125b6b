// Whether a failure notice can be seen, and the calls that tell: a process
// of a service, of a task run without a logged-on user, or of session 0 has
// no desktop anyone looks at, and a message box there would wait for ever.
// The calls go through one table, the system's unless a test installs one.
#pragma once

#include "plat/WinApi.h"
#include "win32/InstalledTable.h"

namespace win32 {

struct NoticeCalls {
    decltype(&GetProcessWindowStation) processWindowStation;
    decltype(&GetUserObjectInformationW) userObjectInformation;
    decltype(&GetCurrentProcessId) currentProcessId;
    decltype(&ProcessIdToSessionId) processIdToSessionId;
    decltype(&MessageBoxW) messageBox;
};

// The system's functions.
const NoticeCalls& systemNoticeCalls();
// The table the notice calls through now.
const NoticeCalls& noticeCalls();

// True only when the process's window station is visible (WSF_VISIBLE) and
// its session is not session 0; a query that fails counts as no desktop, as
// a box nobody sees costs more than one not shown.
bool noticeCanBeSeen();

// Puts a table in place of the one in use for its lifetime, then the one
// before back. The table is not copied: it must outlive this object.
class InstalledNoticeCalls : public InstalledTable<NoticeCalls> {
public:
    explicit InstalledNoticeCalls(const NoticeCalls& calls);
};

}  // namespace win32
