// The velscene command: its parsed command line and the play and render
// subcommands.
#pragma once

#include <cstdint>
#include <string>

namespace vel {

struct TCommandLine {
  std::string Command;  // "play" or "render"
  std::string Scene;
  int64_t Ticks = -1;   // -1: not given
  std::string OutDir;
  std::string TracePath;
  bool NoFrames = false;
  bool NoAnimation = false;
};

// Parses argv; on a mistake returns false with a message in `error`.
bool ParseCommandLine(int argc, char** argv, TCommandLine& out, std::string& error);
int RunRender(const TCommandLine& cl);
int RunPlay(const TCommandLine& cl);

}  // namespace vel
