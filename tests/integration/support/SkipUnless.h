// Skipping a test whose surroundings are not there (a service not started,
// a build not given), with the reason and what to do about it.
#pragma once

#include <gtest/gtest.h>

#define QUORLEX_SKIP_UNLESS(condition, reason)    \
    do {                                          \
        if (!(condition)) GTEST_SKIP() << reason; \
    } while (0)
