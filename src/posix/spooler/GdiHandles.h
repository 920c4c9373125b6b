// The device contexts CreateDCW has handed out and DeleteDC has not yet
// taken back.
#pragma once

#include "posix/spooler/DeviceContext.h"

namespace posix {

// The context behind a live handle, or null (with ERROR_INVALID_HANDLE as
// the last error) for any other value.
DeviceContext* liveDeviceContext(HDC dc);

}  // namespace posix
