// File descriptors as Windows handles. A handle is the descriptor plus one,
// so that descriptor 0 never becomes a null handle; CreateFileW and the
// standard handles hand them out, CloseHandle and DuplicateHandle take them.
#pragma once

#include <cstdint>

#include "posix/KernelApi.h"

namespace posix {

inline HANDLE handleForDescriptor(int fd) {
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd) + 1);
}

// The descriptor behind a handle, or -1 for null and INVALID_HANDLE_VALUE.
inline int descriptorOf(HANDLE handle) {
    const intptr_t value = reinterpret_cast<intptr_t>(handle);
    if (value <= 0 || value - 1 > INT32_MAX) return -1;
    return static_cast<int>(value - 1);
}

}  // namespace posix
