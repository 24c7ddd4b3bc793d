// probetool_svgcheck FILE COUNT: exits 0 when FILE is a well-formed SVG document whose top and
// side views each draw COUNT targets with COUNT labels; says what is wrong otherwise.
#include <log4cplus/initializer.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "ToolTestSupport.h"

int main(int argc, char** argv) {
  // The library's objects are linked in and use log4cplus: shut it down before main returns, or
  // the process can hang at exit on Windows.
  log4cplus::Initializer initializer;
  if (argc != 3) {
    std::cerr << "usage: probetool_svgcheck FILE COUNT\n";
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  if (!file) {
    std::cerr << "cannot open " << argv[1] << "\n";
    return 2;
  }
  const std::string svg((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const int expected = std::atoi(argv[2]);
  probetool::test::SvgMarks marks = probetool::test::svgMarks(svg);
  if (!marks.wellFormed) {
    std::cerr << argv[1] << ": not well-formed: " << marks.error << "\n";
    return 1;
  }
  int failures = 0;
  for (const char* view : {"top-view", "side-view"}) {
    if (marks.targets[view] != expected || marks.labels[view] != expected) {
      std::cerr << argv[1] << ": " << view << " draws " << marks.targets[view] << " targets and "
                << marks.labels[view] << " labels, not " << expected << "\n";
      ++failures;
    }
  }
  return failures == 0 ? 0 : 1;
}
