// The thread's last error on POSIX, with an optional readable text for codes
// whose text is not the C library's (CUPS/IPP failures).
#pragma once

#include <string>

#include "posix/KernelApi.h"

namespace posix {

// SetLastError(code), remembering text as what FormatMessageW gives for this
// code until the next SetLastError on the thread.
void setLastErrorText(DWORD code, const std::string& text);

// The readable text of the thread's last error.
std::string lastErrorMessage();

// The words for IPP statuses (codes from QUORLEX_IPP_ERROR_BASE up), given
// by the CUPS plugin once it is loaded.
void setIppStatusText(const char* (*text)(unsigned status));

}  // namespace posix
