// File fuzzer for the scene reader: any text either reads to a scene or
// throws ESceneError naming the file and a place in it; nothing else happens.
// Image paths resolve against the demo scene's directory, so seeds from it
// load their art.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "velscene/scene/scene_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    vel::ParseScene(text, "fuzz.json", VELSCENE_DEMO_DIR);
  } catch (const vel::ESceneError& e) {
    if (e.File != "fuzz.json" || e.Problem.empty() || std::string(e.what()).rfind("fuzz.json: ", 0) != 0) {
      std::fprintf(stderr, "scene reader: unclear error: %s\n", e.what());
      std::abort();
    }
  }
  return 0;
}
