// Form files: a form with its components (class, name, owner, parent and the
// stored published properties in declaration order) as JSON, written through
// the getters and read back through the setters. Format: docs/form-files.md.
#pragma once

#include <stdexcept>
#include <string>

#include "velscene/platform/typinfo/typinfo.h"

namespace vel {

class TForm;

// A form file that cannot be written or read. The message names the file and,
// where they apply, the component and the property; the parts are kept too.
class EFormFileError : public std::runtime_error {
 public:
  EFormFileError(const std::string& file, const std::string& component,
                 const std::string& property, const std::string& problem);
  const std::string& File() const { return file_; }
  const std::string& Component() const { return component_; }  // "" for the file itself
  const std::string& Property() const { return property_; }
  const std::string& Problem() const { return problem_; }

 private:
  std::string file_, component_, property_, problem_;
};

// The form as form-file text. Components without a name are left out: they
// belong to the inner working of another component.
std::string FormToText(const TForm* form);
// Writes FormToText to `path`; EFormFileError when the file cannot be written.
void WriteFormFile(const TForm* form, const std::string& path);

// Replaces the form's components and properties with those of the text.
// Everything is first built in a scratch form; on any error nothing of the
// form changes and EFormFileError names `fileName`, the component and the
// property. Events are bound by handler name through `resolver` (null: a file
// that names handlers is refused). A designing form gets designing components.
void ReadFormFromText(TForm* form, const std::string& text, const std::string& fileName,
                      TMethodResolver* resolver);
void ReadFormFile(TForm* form, const std::string& path, TMethodResolver* resolver);

}  // namespace vel
