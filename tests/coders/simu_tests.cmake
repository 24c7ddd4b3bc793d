# The simulation coder: unit tests over a scripted handler, and round trips through the
# simulated device memory.
probe_add_test_suite(probe_simu_tests
  PDSimuCoderTest.cpp
  PDSimuRoundTripTest.cpp)
target_link_libraries(probe_simu_tests PRIVATE probesim)
