// The calls a recording printer and a scripted PDF engine receive, in the
// order they come, so that a test sees the whole sequence of a job.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace testsupport {

struct EventLog {
    std::vector<std::string> events;

    void add(std::string event) { events.push_back(std::move(event)); }
    // The events that begin with prefix, in order.
    std::vector<std::string> startingWith(const std::string& prefix) const;
    // The number of events that begin with prefix.
    size_t count(const std::string& prefix) const { return startingWith(prefix).size(); }
};

}  // namespace testsupport
