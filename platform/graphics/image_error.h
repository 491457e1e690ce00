// EImageError: what the image decoders and encoders throw, with the file's
// name and the problem in its message.
#pragma once

#include <stdexcept>

namespace vel {

class EImageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace vel
