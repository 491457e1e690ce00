// ETiledError: a problem with a Tiled map or tileset file, naming the file,
// the place inside it (an element path with its line for XML, a JSON path
// such as layers[2].data) and what is wrong.
#pragma once

#include <stdexcept>
#include <string>

namespace vel {

class ETiledError : public std::runtime_error {
 public:
  ETiledError(std::string file, std::string where, std::string problem)
      : std::runtime_error(file + ": " + (where.empty() ? std::string("(top level)") : where) + ": " + problem),
        File(std::move(file)),
        Where(std::move(where)),
        Problem(std::move(problem)) {}

  std::string File;     // the map or tileset file as it was named
  std::string Where;    // element or JSON path, or "line L, column C" for a syntax error
  std::string Problem;  // what is wrong there
};

}  // namespace vel
