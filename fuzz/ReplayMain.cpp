// Replays the files in the directories named through a fuzz target, without libFuzzer (a
// missing directory holds none). An input that breaks an invariant aborts the process, failing
// the test.
#include <log4cplus/initializer.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  // Shuts log4cplus down before its DLL unloads; on Windows its detach waits for threads gone.
  log4cplus::Initializer initializer;
  std::error_code missing;
  for (int i = 1; i < argc; ++i) {
    for (const auto& entry : std::filesystem::directory_iterator(argv[i], missing)) {
      std::ifstream file(entry.path(), std::ios::binary);
      // Exactly the input's size, so a read past its end shows under the sanitizers.
      const std::vector<std::uint8_t> input((std::istreambuf_iterator<char>(file)), {});
      std::clog << entry.path().string() << " (" << input.size() << " bytes)\n";
      LLVMFuzzerTestOneInput(input.data(), input.size());
    }
  }
}
