// File fuzzer for the form reader: any text either reads into the form, and
// then writes out text that reads back the same, or throws EFormFileError
// naming the file and leaves the form as it was.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "velscene/platform/host/application.h"
#include "velscene/platform/typinfo/formfile.h"
#include "velscene/platform/host/forms.h"
#include "velscene/platform/typinfo/host_typinfo.h"
#include "velscene/figure.h"
#include "velscene/map.h"
#include "velscene/view.h"

namespace {

vel::TMethodTable* gHandlers;  // kept for the process

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "form reader: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vel::Application().SelectBackend("headless");
  vel::RegisterHostClasses();
  vel::RegisterAniViewClass();
  vel::RegisterAniFigureClass();
  vel::RegisterAniMapClass();
  gHandlers = new vel::TMethodTable();
  gHandlers->Add("HeroArrived", vel::TNotifyEvent([](vel::TObject*) {}));
  gHandlers->Add("ViewMouseDown", vel::TExtMouseEvent([](vel::TObject*, vel::TMouseButton, vel::TShiftState, int32_t,
                                                        int32_t, float, float) {}));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  vel::TForm form(nullptr);
  form.SetName("Form1");
  const std::string before = vel::FormToText(&form);
  try {
    vel::ReadFormFromText(&form, text, "fuzz.json", gHandlers);
  } catch (const vel::EFormFileError& e) {
    if (e.File() != "fuzz.json" || std::string(e.what()).find("fuzz.json") == std::string::npos)
      Fail("an error that does not name the file");
    if (vel::FormToText(&form) != before) Fail("a refused file changed the form");
    return 0;
  }
  // What was read writes out as text that reads back to the same text.
  const std::string written = vel::FormToText(&form);
  vel::TForm again(nullptr);
  try {
    vel::ReadFormFromText(&again, written, "written.json", gHandlers);
  } catch (const vel::EFormFileError& e) {
    std::fprintf(stderr, "%s\n%s\n", written.c_str(), e.what());
    Fail("written text does not read back");
  }
  if (vel::FormToText(&again) != written) Fail("written text reads back different");
  return 0;
}
