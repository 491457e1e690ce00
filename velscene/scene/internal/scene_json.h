// SceneNode: a JSON value together with its path in the scene file, with
// typed reads that throw ESceneError naming the file, the path and the problem.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "velscene/scene/scene_error.h"

namespace vel {

using SceneJson = nlohmann::ordered_json;

class SceneNode {
 public:
  SceneNode(const SceneJson& value, std::string path, const std::string& file)
      : value_(&value), path_(std::move(path)), file_(&file) {}

  const SceneJson& Value() const { return *value_; }
  const std::string& Path() const { return path_; }
  const std::string& File() const { return *file_; }
  [[noreturn]] void Fail(const std::string& problem) const;

  // Objects. Field fails when the key is missing; Allow fails on any key not
  // listed (typing mistakes are errors, not silently ignored).
  bool IsObject() const { return value_->is_object(); }
  void ExpectObject() const;
  bool Has(const char* key) const;
  SceneNode Field(const char* key) const;
  std::optional<SceneNode> Optional(const char* key) const;
  void Allow(std::initializer_list<const char*> keys) const;

  // Arrays.
  bool IsArray() const { return value_->is_array(); }
  size_t Size() const;  // fails unless an array
  SceneNode At(size_t index) const;

  // Scalars, each checked for type and range.
  int64_t Int(int64_t lo, int64_t hi) const;
  double Number() const;  // finite
  float Float() const;    // finite and within float range
  bool Bool() const;
  std::string String() const;  // non-empty

 private:
  const SceneJson* value_;
  std::string path_;
  const std::string* file_;
};

// A value's JSON type for messages: "a string", "an array", ...
std::string DescribeJson(const SceneJson& value);

}  // namespace vel
