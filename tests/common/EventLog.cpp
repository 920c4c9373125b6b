#include "common/EventLog.h"

namespace testsupport {

std::vector<std::string> EventLog::startingWith(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& event : events) {
        if (event.compare(0, prefix.size(), prefix) == 0) found.push_back(event);
    }
    return found;
}

}  // namespace testsupport
