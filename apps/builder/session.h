// A builder session: the loaded package, the form being designed and the
// script commands that act on them.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "velscene/platform/host/forms.h"
#include "velscene/platform/design/modules.h"
#include "velscene/platform/typinfo/typinfo.h"

namespace vel {

class TComponent;

// Handlers for a form in the designer: any handler name is accepted for a
// TNotifyEvent and bound to a stub that reports the call; other event types
// have no stub here and are refused.
class TDesignerMethods : public TMethodResolver {
 public:
  bool Resolve(const std::string& name, const std::type_info& eventType, void* event) override;
};

class TBuilderSession {
 public:
  explicit TBuilderSession(std::FILE* out) : out_(out) {}
  ~TBuilderSession();

  // Loads the package (load notification, Initialize), runs Register and
  // makes the design form. False with a message when the package fails.
  bool Start(const std::string& packagePath);
  // Destroys the form, then Finalize and unload.
  void Stop();

  // Runs one script line; false when the command failed (a message is printed).
  bool Execute(const std::string& line);
  // Runs a script; returns how many commands failed. A line starting with
  // "!" must fail: its failure is expected, its success counts as a failure.
  int RunScript(std::FILE* in, bool prompt);

  TForm* Form() const { return form_.get(); }

 private:
  bool Fail(const std::string& message);
  TComponent* Find(const std::string& name);
  bool New(const std::vector<std::string>& args);
  bool Set(const std::vector<std::string>& args, const std::string& value);
  bool Edit(const std::string& name, const std::string& prop);
  bool Pixel(const std::vector<std::string>& args);

  std::FILE* out_;
  TPackageHandle package_;
  std::unique_ptr<TForm> form_;
  TDesignerMethods methods_;
};

}  // namespace vel
