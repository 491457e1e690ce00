// velbuilder: loads a design-time package and runs a builder script on a
// form in the designer (headless by default, or in a window).
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "apps/builder/session.h"
#include "velscene/platform/host/application.h"

#ifndef VELBUILDER_DEFAULT_PACKAGE
#define VELBUILDER_DEFAULT_PACKAGE "libvelpack1.so"
#endif

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: velbuilder [--package PATH] [--script FILE|-] [--backend headless|sdl2|auto]\n"
               "Runs builder commands from FILE (or standard input); 'help' lists them.\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string package = VELBUILDER_DEFAULT_PACKAGE;
  std::string script = "-";
  std::string backend = "headless";
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "--package" || arg == "--script" || arg == "--backend") && i + 1 < argc) {
      (arg == "--package" ? package : arg == "--script" ? script : backend) = argv[++i];
    } else {
      return Usage();
    }
  }
  if (!vel::Application().SelectBackend(backend)) {
    std::fprintf(stderr, "velbuilder: backend '%s' is not available\n", backend.c_str());
    return 2;
  }
  std::FILE* in = stdin;
  if (script != "-") {
    in = std::fopen(script.c_str(), "r");
    if (in == nullptr) {
      std::fprintf(stderr, "velbuilder: cannot open %s: %s\n", script.c_str(), std::strerror(errno));
      return 2;
    }
  }
  int failures = 0;
  {
    vel::TBuilderSession session(stdout);
    if (!session.Start(package)) {
      if (in != stdin) std::fclose(in);
      return 1;
    }
    failures = session.RunScript(in, in == stdin && isatty(0));
  }
  if (in != stdin) std::fclose(in);
  return failures == 0 ? 0 : 1;
}
