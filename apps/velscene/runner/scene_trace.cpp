// Trace lines, written by hand so that floats keep exactly nine significant
// digits and figures keep the order of the scene file.
#include "runner/scene_trace.h"

#include <cmath>
#include <cstdio>

#include <nlohmann/json.hpp>

namespace vel {

std::string FormatSceneFloat(float value) {
  if (!std::isfinite(value)) return "null";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.9g", double(value));
  return buf;
}

namespace {

std::string Quote(const std::string& s) { return nlohmann::json(s).dump(); }

const char* ButtonName(TMouseButton b) {
  switch (b) {
    case mbRight:
      return "right";
    case mbMiddle:
      return "middle";
    default:
      return "left";
  }
}

std::string FigureRef(const TSceneRunner& r, int32_t index) {
  return index >= 0 ? Quote(r.FigureName(size_t(index))) : "null";
}

std::string EventJson(const TSceneRunner& r, const SceneEvent& e) {
  switch (e.What) {
    case SceneEvent::Arrival:
      return "{\"event\": \"arrival\", \"figure\": " + FigureRef(r, e.Figure) + "}";
    case SceneEvent::Collide:
      return "{\"event\": \"collide\", \"figure\": " + FigureRef(r, e.Figure) +
             ", \"collider\": " + FigureRef(r, e.Collider) + ", \"code\": " + std::to_string(e.Code) + "}";
    case SceneEvent::Click:
      return "{\"event\": \"click\", \"figure\": " + FigureRef(r, e.Figure) + "}";
    case SceneEvent::MouseOver:
      return "{\"event\": \"mouseover\", \"figure\": " + FigureRef(r, e.Figure) + "}";
    case SceneEvent::KeyDown:
    case SceneEvent::KeyUp:
      return std::string("{\"event\": \"") + (e.What == SceneEvent::KeyDown ? "keydown" : "keyup") +
             "\", \"key\": " + Quote(KeyName(e.Key)) + ", \"code\": " + std::to_string(e.Key) +
             ", \"char\": " + std::to_string(uint32_t(e.Char)) + "}";
    case SceneEvent::Wheel:
      return "{\"event\": \"wheel\", \"delta\": " + std::to_string(e.Delta) + ", \"x\": " + std::to_string(e.X) +
             ", \"y\": " + std::to_string(e.Y) + ", \"gridX\": " + FormatSceneFloat(e.GridX) +
             ", \"gridY\": " + FormatSceneFloat(e.GridY) + "}";
    default: {
      const char* name = e.What == SceneEvent::MouseDown ? "mousedown" : e.What == SceneEvent::MouseUp ? "mouseup" : "mousemove";
      std::string s = std::string("{\"event\": \"") + name + "\", \"x\": " + std::to_string(e.X) +
                      ", \"y\": " + std::to_string(e.Y) + ", \"gridX\": " + FormatSceneFloat(e.GridX) +
                      ", \"gridY\": " + FormatSceneFloat(e.GridY);
      if (e.What != SceneEvent::MouseMove) s += std::string(", \"button\": \"") + ButtonName(e.Button) + "\"";
      return s + "}";
    }
  }
}

std::string FigureJson(const TSceneRunner& r, size_t index) {
  const TAniFigure* f = r.Figure(index);
  const TAniEntry* e = f->Slot() > 0 ? r.View()->Entry(f->Slot()) : nullptr;
  std::string s = "{\"X\": " + FormatSceneFloat(f->X()) + ", \"Y\": " + FormatSceneFloat(f->Y()) +
                  ", \"Z\": " + FormatSceneFloat(f->Z()) + ", \"Moving\": " + (e && e->Moving ? "true" : "false") +
                  ", \"Frame\": " + std::to_string(f->Frame());
  if (e)
    s += ", \"ScreenX\": " + std::to_string(e->ScreenX) + ", \"ScreenY\": " + std::to_string(e->ScreenY) +
         ", \"Depth\": " + FormatSceneFloat(e->Depth);
  else
    s += ", \"ScreenX\": null, \"ScreenY\": null, \"Depth\": null";
  return s + "}";
}

}  // namespace

std::string SceneTraceLine(const TSceneRunner& r, int64_t tick, const std::vector<SceneEvent>& events) {
  std::string line = "{\"tick\": " + std::to_string(tick) + ", \"events\": [";
  for (size_t i = 0; i < events.size(); ++i) line += (i ? ", " : "") + EventJson(r, events[i]);
  line += "], \"figures\": {";
  for (size_t i = 0; i < r.FigureCount(); ++i)
    line += (i ? ", " : "") + Quote(r.FigureName(i)) + ": " + FigureJson(r, i);
  line += "}, \"ScrollX\": " + std::to_string(r.View()->ScrollX()) + ", \"ScrollY\": " + std::to_string(r.View()->ScrollY()) +
          ", \"Zoom\": " + std::to_string(r.View()->Zoom()) +
          ", \"Following\": " + (r.View()->KeyFigure() > 0 ? "true" : "false") + ", \"order\": [";
  const TAniView* v = r.View();
  int guard = 0;
  for (int32_t s = v->First(); s > 0 && guard <= kMaxEntries; s = v->Entry(s)->Next, ++guard) {
    if (guard) line += ", ";
    const TAniEntry* e = v->Entry(s);
    if (!e->IsFigure) {
      line += "\"tile@" + FormatSceneFloat(e->Depth) + "\"";
    } else {
      const int32_t index = r.IndexOf(v->FigureAt(s));
      line += index >= 0 ? Quote(r.FigureName(size_t(index))) : "null";
    }
  }
  return line + "]}";
}

}  // namespace vel
