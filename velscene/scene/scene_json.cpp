// SceneNode reads: JSON type and range checks whose errors name the file,
// the JSON path and the problem.
#include "velscene/scene/internal/scene_json.h"

#include <cmath>
#include <limits>

namespace vel {

std::string DescribeJson(const SceneJson& v) {
  switch (v.type()) {
    case SceneJson::value_t::null:
      return "null";
    case SceneJson::value_t::object:
      return "an object";
    case SceneJson::value_t::array:
      return "a list";
    case SceneJson::value_t::string:
      return "a string";
    case SceneJson::value_t::boolean:
      return "true/false";
    case SceneJson::value_t::number_float:
      return "a fractional number";
    default:
      return "a number";
  }
}

void SceneNode::Fail(const std::string& problem) const { throw ESceneError(*file_, path_, problem); }

void SceneNode::ExpectObject() const {
  if (!value_->is_object()) Fail("expected an object, found " + DescribeJson(*value_));
}

bool SceneNode::Has(const char* key) const { return value_->is_object() && value_->contains(key); }

SceneNode SceneNode::Field(const char* key) const {
  ExpectObject();
  auto it = value_->find(key);
  const std::string path = path_.empty() ? std::string(key) : path_ + "." + key;
  if (it == value_->end()) throw ESceneError(*file_, path, "missing (required)");
  return SceneNode(*it, path, *file_);
}

std::optional<SceneNode> SceneNode::Optional(const char* key) const {
  if (!Has(key)) return std::nullopt;
  return Field(key);
}

void SceneNode::Allow(std::initializer_list<const char*> keys) const {
  ExpectObject();
  for (auto it = value_->begin(); it != value_->end(); ++it) {
    bool known = false;
    for (const char* k : keys) known = known || it.key() == k;
    if (!known) {
      const std::string path = path_.empty() ? it.key() : path_ + "." + it.key();
      throw ESceneError(*file_, path, "unknown key \"" + it.key() + "\"");
    }
  }
}

size_t SceneNode::Size() const {
  if (!value_->is_array()) Fail("expected a list, found " + DescribeJson(*value_));
  return value_->size();
}

SceneNode SceneNode::At(size_t index) const {
  if (index >= Size()) Fail("index " + std::to_string(index) + " out of range");
  return SceneNode((*value_)[index], path_ + "[" + std::to_string(index) + "]", *file_);
}

int64_t SceneNode::Int(int64_t lo, int64_t hi) const {
  int64_t v = 0;
  if (value_->is_number_integer()) {
    if (value_->is_number_unsigned() && value_->get<uint64_t>() > uint64_t(std::numeric_limits<int64_t>::max()))
      Fail("must be from " + std::to_string(lo) + " to " + std::to_string(hi));
    v = value_->get<int64_t>();
  } else if (value_->is_number_float()) {
    const double d = value_->get<double>();
    // 3.0 is accepted as 3; 2.5 is not a whole number.
    if (!std::isfinite(d) || d != std::trunc(d) || std::fabs(d) > 9.0e15)
      Fail("expected a whole number, found " + value_->dump());
    v = static_cast<int64_t>(d);
  } else {
    Fail("expected a whole number, found " + DescribeJson(*value_));
  }
  if (v < lo || v > hi) Fail("must be from " + std::to_string(lo) + " to " + std::to_string(hi) + ", found " + std::to_string(v));
  return v;
}

double SceneNode::Number() const {
  if (!value_->is_number()) Fail("expected a number, found " + DescribeJson(*value_));
  const double d = value_->get<double>();
  if (!std::isfinite(d)) Fail("expected a finite number");
  return d;
}

float SceneNode::Float() const {
  const double d = Number();
  if (std::fabs(d) > double(std::numeric_limits<float>::max())) Fail("number too large for a float");
  return static_cast<float>(d);
}

bool SceneNode::Bool() const {
  if (!value_->is_boolean()) Fail("expected true or false, found " + DescribeJson(*value_));
  return value_->get<bool>();
}

std::string SceneNode::String() const {
  if (!value_->is_string()) Fail("expected a string, found " + DescribeJson(*value_));
  std::string s = value_->get<std::string>();
  if (s.empty()) Fail("must not be empty");
  return s;
}

}  // namespace vel
