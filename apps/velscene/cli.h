// The velscene command: its parsed command line and the play, render and
// image subcommands.
#pragma once

#include <cstdint>
#include <string>

namespace vel {

struct TCommandLine {
  std::string Command;  // "play", "render" or "image"
  std::string Scene;    // a scene file or a Tiled map
  std::string ImagePath;  // image: the PNG to write
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
int RunImage(const TCommandLine& cl);

}  // namespace vel
