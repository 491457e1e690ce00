// The root of the host's class tree: every component, control, timer and
// bitmap object is a TObject, so that events can carry any of them as Sender.
#pragma once

namespace vel {

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;
  // The class name as the host's metadata and form files know it.
  virtual const char* ClassName() const { return "TObject"; }
};

}  // namespace vel
