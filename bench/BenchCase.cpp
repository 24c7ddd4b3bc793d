#include "BenchCase.h"

#include <time.h>

#include <iostream>
#include <map>
#include <vector>

namespace bench {

namespace {

struct Profile {
  std::string name;
  std::function<std::function<bool()>()> prepare;
};

std::vector<Profile>& profiles() {
  static std::vector<Profile> all;
  return all;
}

}  // namespace

double threadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void registerProfile(const std::string& name,
                     std::function<std::function<bool()>()> prepareErased) {
  profiles().push_back(Profile{name, std::move(prepareErased)});
}

std::vector<std::string> profileNames() {
  std::vector<std::string> names;
  for (const Profile& profile : profiles()) names.push_back(profile.name);
  return names;
}

// Not inlined, so that callgrind's --toggle-collect finds it and counts only the operation.
__attribute__((noinline)) bool profiledLoop(const std::function<bool()>& operation,
                                            long iterations) {
  bool ok = true;
  for (long i = 0; i < iterations; ++i) ok = operation() && ok;
  return ok;
}

bool runProfile(const std::string& name, long iterations) {
  for (const Profile& profile : profiles()) {
    if (profile.name != name) continue;
    try {
      const std::function<bool()> operation = profile.prepare();
      if (!operation()) {
        std::cerr << name << ": the operation failed on its first call\n";
        return false;
      }
      return profiledLoop(operation, iterations);
    } catch (const std::exception& error) {
      std::cerr << name << ": " << error.what() << '\n';
      return false;
    }
  }
  std::cerr << "no case named " << name << '\n';
  return false;
}

}  // namespace bench
