// ESceneError: a scene file problem, naming the file, the place inside it
// (a JSON path such as figures[2].frames[0].image) and what is wrong.
#pragma once

#include <stdexcept>
#include <string>

namespace vel {

class ESceneError : public std::runtime_error {
 public:
  ESceneError(std::string file, std::string where, std::string problem)
      : std::runtime_error(file + ": " + (where.empty() ? std::string("(top level)") : where) + ": " +
                           problem),
        File(std::move(file)),
        Where(std::move(where)),
        Problem(std::move(problem)) {}

  std::string File;     // the scene file as it was named
  std::string Where;    // JSON path, or "line L, column C" for a syntax error
  std::string Problem;  // what is wrong there
};

}  // namespace vel
