// The module list, resource lookup, the language resource-module search and
// package loading through the dynamic loader.
#include "velscene/platform/design/modules.h"

#include <dlfcn.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "velscene/platform/design/design.h"
#include "velscene/platform/typinfo/typinfo.h"
#include "velscene/platform/design/packages.h"
#include "velscene/platform/base/text.h"

namespace vel {

namespace {

std::vector<TLibModule*>& List() {
  static std::vector<TLibModule*> list;
  return list;
}


template <class F>
F Symbol(void* handle, const char* name) {
  return reinterpret_cast<F>(dlsym(handle, name));
}

}  // namespace

void RegisterModule(TLibModule* module) {
  if (module == nullptr) return;
  auto& list = List();
  if (std::find(list.begin(), list.end(), module) == list.end()) list.push_back(module);
}

void UnregisterModule(TLibModule* module) {
  if (module == nullptr) return;
  auto& list = List();
  auto it = std::find(list.begin(), list.end(), module);
  if (it == list.end()) return;
  if (module->Instance != nullptr) {
    const void* base = module->Instance;
    auto inModule = [base](const void* p) { return p != nullptr && ModuleBaseOf(p) == base; };
    auto classInModule = [&](const TClassInfo* info) {
      return info != nullptr && inModule(reinterpret_cast<const void*>(info->Create));
    };
    UnregisterDesignEntries(classInModule, inModule);
    UnregisterClassInfos(classInModule);
  }
  list.erase(std::find(list.begin(), list.end(), module));
}

std::vector<const TLibModule*> Modules() { return {List().begin(), List().end()}; }

const TLibModule* FindModule(const void* address) {
  const void* base = ModuleBaseOf(address);
  if (base == nullptr) return nullptr;
  for (const TLibModule* m : List()) {
    if (m->Instance == base) return m;
  }
  return nullptr;
}

const void* ModuleBaseOf(const void* address) {
  Dl_info info{};
  if (address == nullptr || dladdr(address, &info) == 0) return nullptr;
  return info.dli_fbase;
}

std::string ModuleFileOf(const void* address) {
  Dl_info info{};
  if (address == nullptr || dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
  return info.dli_fname;
}

std::string UserLanguage() {
  const char* value = nullptr;
  for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* v = std::getenv(var);
    if (v != nullptr && *v != '\0') {
      value = v;
      break;
    }
  }
  if (value == nullptr) return {};
  std::string lang(value);
  lang = lang.substr(0, lang.find_first_of(".@"));
  if (lang == "C" || lang == "POSIX") return {};
  // Only letters, digits, '_' and '-' may go into a file name.
  for (char c : lang) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-') return {};
  }
  return lang;
}

std::vector<std::string> ResourceModuleCandidates(const std::string& moduleFile,
                                                  const std::string& language) {
  std::vector<std::string> out;
  if (moduleFile.empty() || language.empty()) return out;
  out.push_back(moduleFile + "." + language);
  const size_t sep = language.find_first_of("_-");
  if (sep != std::string::npos && sep > 0)
    out.push_back(moduleFile + "." + language.substr(0, sep));
  return out;
}

bool LoadResourceModule(TLibModule& module) {
  for (const std::string& file : ResourceModuleCandidates(module.FileName, UserLanguage())) {
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) continue;
    auto table = Symbol<TResourceTableProc>(handle, kResourceTableSymbol);
    // A library that is not a resource module (or is the module itself) is no use.
    if (table == nullptr || ModuleBaseOf(reinterpret_cast<const void*>(table)) == module.Instance) {
      dlclose(handle);
      continue;
    }
    module.ResHandle = handle;
    module.ResFileName = file;
    module.Resources = table;
    return true;
  }
  return false;
}

void FreeResourceModule(TLibModule& module) {
  if (module.ResHandle == nullptr) return;
  module.Resources = nullptr;
  dlclose(module.ResHandle);
  module.ResHandle = nullptr;
  module.ResFileName.clear();
}

const TResourceEntry* FindResource(const TLibModule* module, std::string_view name) {
  if (module == nullptr || module->Resources == nullptr || name.empty()) return nullptr;
  size_t count = 0;
  const TResourceEntry* table = module->Resources(&count);
  if (table == nullptr) return nullptr;
  for (size_t i = 0; i < count; ++i) {
    if (table[i].Name != nullptr && SameText(table[i].Name, name)) return &table[i];
  }
  return nullptr;
}

bool LoadPackage(const std::string& path, TPackageHandle& package, std::string& error) {
  package = TPackageHandle{};
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = dlerror();
    error = path + ": cannot load package: " + (why ? why : "unknown error");
    return false;
  }
  package.Handle = handle;
  package.FileName = path;
  package.Initialize = Symbol<void (*)()>(handle, "Initialize");
  package.Finalize = Symbol<void (*)()>(handle, "Finalize");
  package.Register = Symbol<void (*)()>(handle, "Register");
  package.GetPackageInfoTable =
      Symbol<const TPackageInfoTable* (*)()>(handle, "GetPackageInfoTable");
  if (!package.Initialize || !package.Finalize || !package.GetPackageInfoTable) {
    error = path + ": not a package (Initialize, Finalize or GetPackageInfoTable missing)";
    dlclose(handle);
    package = TPackageHandle{};
    return false;
  }
  package.Initialize();
  return true;
}

void UnloadPackage(TPackageHandle& package) {
  if (package.Handle == nullptr) return;
  if (package.Finalize) package.Finalize();
  dlclose(package.Handle);
  package = TPackageHandle{};
}

}  // namespace vel
