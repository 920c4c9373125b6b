#include "posix/drivers/cups/CupsHandles.h"

namespace posix {

HttpConnection connectToScheduler() {
    // Blocking, with a connect timeout long enough for a busy scheduler.
    return HttpConnection(httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC,
                                       cupsEncryption(), 1, 30000, nullptr));
}

}  // namespace posix
