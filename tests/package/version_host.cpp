// A host that checks the version twice: at compile time, that the headers it builds against are
// of major version 1, and at run time, that the library it runs with reports the version its
// headers gave. Built against an installed tree, with the documented include form.
#include <probedata/ProbeVersion.h>

#include <cstdio>

#if PROBEDATA_VERSION_MAJOR != 1 || PROBEDATA_VERSION_MINOR < 1
#error "this host needs the headers of probedata 1.x from 1.1 on"
#endif

int main() {
  std::printf("headers %d.%d build %d, library %d.%d build %d\n", PROBEDATA_VERSION_MAJOR,
              PROBEDATA_VERSION_MINOR, PROBEDATA_VERSION_BUILD, GetDllVersionMajor(),
              GetDllVersionMinor(), GetDllBuildNumber());
  const bool same = GetDllVersionMajor() == PROBEDATA_VERSION_MAJOR &&
                    GetDllVersionMinor() == PROBEDATA_VERSION_MINOR &&
                    GetDllBuildNumber() == PROBEDATA_VERSION_BUILD;
  return same ? 0 : 1;
}
