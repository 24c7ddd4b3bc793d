// Checks that a statement throws Error with exactly the given message.
#ifndef PROBE_TEST_ERROR_MATCHERS_H
#define PROBE_TEST_ERROR_MATCHERS_H

#include <gtest/gtest.h>

#include <string>

#include "Error.h"

#define EXPECT_PROBE_ERROR(statement, expected)                              \
  do {                                                                       \
    bool probeThrew = false;                                                 \
    try {                                                                    \
      statement;                                                             \
    } catch (const Error& probeError) {                                      \
      probeThrew = true;                                                     \
      EXPECT_EQ(std::string(expected), probeError.getMessage());             \
    }                                                                        \
    EXPECT_TRUE(probeThrew) << #statement " did not throw Error";           \
  } while (false)

#endif
