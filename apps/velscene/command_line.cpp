// Command-line parsing for velscene: the subcommand, the scene file and the
// options --ticks, --out, --trace, --no-frames, --no-animation (image: the
// PNG file and --ticks).
#include <charconv>
#include <cstring>

#include "cli.h"

namespace vel {

bool ParseCommandLine(int argc, char** argv, TCommandLine& out, std::string& error) {
  if (argc < 3) {
    error = argc < 2 ? "no command given" : "no scene file given";
    return false;
  }
  out.Command = argv[1];
  if (out.Command != "play" && out.Command != "render" && out.Command != "image") {
    error = "unknown command \"" + out.Command + "\"";
    return false;
  }
  out.Scene = argv[2];
  int first = 3;
  if (out.Command == "image") {
    if (argc < 4 || argv[3][0] == '-') {
      error = "image needs the PNG file to write";
      return false;
    }
    out.ImagePath = argv[first++];
  }
  for (int i = first; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= argc) {
        error = arg + " needs a value";
        return false;
      }
      into = argv[++i];
      return true;
    };
    std::string text;
    if (arg == "--ticks") {
      if (!value(text)) return false;
      int64_t n = -1;
      const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
      if (ec != std::errc() || end != text.data() + text.size() || n < 0 || n > 100000) {
        error = "--ticks takes a whole number from 0 to 100000, not \"" + text + "\"";
        return false;
      }
      out.Ticks = n;
    } else if (out.Command == "image") {
      error = "image takes only --ticks, not \"" + arg + "\"";
      return false;
    } else if (arg == "--out") {
      if (!value(out.OutDir)) return false;
    } else if (arg == "--trace") {
      if (!value(out.TracePath)) return false;
    } else if (arg == "--no-frames") {
      out.NoFrames = true;
    } else if (arg == "--no-animation") {
      out.NoAnimation = true;
    } else {
      error = "unknown option \"" + arg + "\"";
      return false;
    }
  }
  if (out.Command == "render" && (out.Ticks < 0 || out.OutDir.empty())) {
    error = "render needs --ticks N and --out DIR";
    return false;
  }
  return true;
}

}  // namespace vel
