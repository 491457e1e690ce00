// The builder's palette, package and inspector listings.
#include "apps/builder/listings.h"

#include <cctype>
#include <cstring>

#include "velscene/platform/host/classes.h"
#include "velscene/platform/design/design.h"
#include "velscene/platform/design/modules.h"
#include "velscene/platform/design/packages.h"
#include "velscene/platform/design/version_info.h"

namespace vel {

namespace {

uint32_t Le32(const unsigned char* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string Text(const TResourceEntry* r) {
  return r ? std::string(reinterpret_cast<const char*>(r->Data), r->Size) : std::string();
}

// ASCII text of a UTF-16LE resource ('?' for anything else).
std::string Utf16Text(const TResourceEntry* r) {
  std::string s;
  for (size_t i = 0; r != nullptr && i + 1 < r->Size; i += 2) {
    const unsigned c = r->Data[i] | r->Data[i + 1] << 8;
    s += c < 128 ? static_cast<char>(c) : '?';
  }
  return s;
}

}  // namespace

bool BmpShape(const unsigned char* data, size_t size, int& width, int& height, int& bits) {
  if (data == nullptr || size < 54 || data[0] != 'B' || data[1] != 'M' || Le32(data + 14) < 40)
    return false;
  width = static_cast<int>(Le32(data + 18));
  height = static_cast<int>(Le32(data + 22));
  bits = data[28] | data[29] << 8;
  return true;
}

void PrintPalette(std::FILE* out) {
  for (const TPalettePage& page : PalettePages()) {
    std::fprintf(out, "Page \"%s\"\n", page.Name.c_str());
    for (const TClassInfo* info : page.Classes) {
      const std::string icon = Upper(info->ClassName);
      const TResourceEntry* r =
          FindResource(FindModule(reinterpret_cast<const void*>(info->Create)), icon);
      int w = 0, h = 0, bits = 0;
      if (r != nullptr && BmpShape(r->Data, r->Size, w, h, bits))
        std::fprintf(out, "  %-12s icon %s %dx%d, %d bpp, %d colours\n", info->ClassName.c_str(),
                     icon.c_str(), w, h, bits, bits <= 8 ? 1 << bits : 0);
      else
        std::fprintf(out, "  %-12s (no icon)\n", info->ClassName.c_str());
    }
  }
}

void PrintPackage(std::FILE* out, const TPackageHandle& package) {
  const TLibModule* module = FindModule(reinterpret_cast<const void*>(package.Initialize));
  std::fprintf(out, "Package %s\n", package.FileName.c_str());
  if (module == nullptr) {
    std::fprintf(out, "  (not in the module list)\n");
    return;
  }
  std::fprintf(out, "  description: %s\n", Utf16Text(FindResource(module, "DESCRIPTION")).c_str());
  TVersionInfo version;
  const TResourceEntry* v = FindResource(module, "VERSION");
  if (v != nullptr && ParseVersionInfo(v->Data, v->Size, version))
    std::fprintf(out, "  version: %s (product %s)\n", version.FileVersionText().c_str(),
                 version.ProductVersionText().c_str());
  std::fprintf(out, "  resources: %s\n",
               module->ResFileName.empty() ? "the package's own" : module->ResFileName.c_str());
  const TPackageInfoTable* table = package.GetPackageInfoTable ? package.GetPackageInfoTable() : nullptr;
  std::fprintf(out, "  units in table: %d\n", table ? table->UnitCount : 0);
  std::string info = Text(FindResource(module, "PACKAGEINFO"));
  for (size_t start = 0; start < info.size();) {
    size_t end = info.find('\n', start);
    if (end == std::string::npos) end = info.size();
    std::fprintf(out, "  %s\n", info.substr(start, end - start).c_str());
    start = end + 1;
  }
}

void PrintInspector(std::FILE* out, TComponent* component) {
  const TClassInfo* info = ClassInfoOf(component);
  if (info == nullptr) return;
  std::fprintf(out, "%s: %s\n", component->Name().c_str(), info->ClassName.c_str());
  for (const TPropInfo* prop : GetPropList(info)) {
    std::unique_ptr<TPropertyEditor> editor = CreatePropertyEditor(component, prop);
    const TPropertyAttributes attrs = editor->GetAttributes();
    std::string row = editor->GetValue();
    if (attrs.Contains(paDialog)) row += " [...]";
    if (attrs.Contains(paReadOnly)) row += " (read-only)";
    std::fprintf(out, "  %-16s %s\n", editor->GetName().c_str(), row.c_str());
  }
}

}  // namespace vel
