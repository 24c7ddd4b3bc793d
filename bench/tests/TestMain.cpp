#include <gtest/gtest.h>
#include <log4cplus/initializer.h>

int main(int argc, char** argv) {
  log4cplus::Initializer initializer;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
