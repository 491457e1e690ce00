// The host runtime's module list: loaded packages with their resources, the
// search for a separate language resource module, and package loading.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vel {

// One named resource compiled into a module: `Type` is "BITMAP", "DATA" or
// "VERSION" (see version_info.h); Data stays valid while the module is loaded.
struct TResourceEntry {
  const char* Name;
  const char* Type;
  const unsigned char* Data;
  size_t Size;
};

// Every module with resources exports `extern "C" const TResourceEntry*
// VelResources(size_t* count)` (a resource module holds nothing else).
using TResourceTableProc = const TResourceEntry* (*)(size_t* count);
inline constexpr const char* kResourceTableSymbol = "VelResources";

struct TLibModule {
  const void* Instance = nullptr;        // load address of the module
  std::string FileName;                  // the file it was loaded from
  TResourceTableProc Resources = nullptr;  // the table in use: resource module's or own
  void* ResHandle = nullptr;             // dlopen handle of a resource module, or null
  std::string ResFileName;               // its file, "" when none was found
};

// Adds a module to the list (a module already in it stays once).
void RegisterModule(TLibModule* module);
// Takes it out of the list after removing everything the module registered
// with the host: palette entries and property editors, then the classes whose
// code lies in it (and classes derived from those).
void UnregisterModule(TLibModule* module);
// Registered modules, first registered first.
std::vector<const TLibModule*> Modules();
// The module whose code or data holds `address`, or null.
const TLibModule* FindModule(const void* address);

// Load address of the shared object holding `address` (null if none), and its
// file name.
const void* ModuleBaseOf(const void* address);
std::string ModuleFileOf(const void* address);

// The user's language from LC_ALL, LC_MESSAGES or LANG (first set wins), as
// "de_DE" (codeset and modifier dropped); "" for the C/POSIX locale or none.
std::string UserLanguage();
// Candidate resource-module files for a module file and a language, most
// specific first: "lib.so.de_DE", "lib.so.de".
std::vector<std::string> ResourceModuleCandidates(const std::string& moduleFile,
                                                  const std::string& language);
// Opens the first candidate for UserLanguage() that exists and exports a
// resource table; fills `module.ResHandle`, `ResFileName` and `Resources`.
// Returns false (the module keeps its own table) when there is none.
bool LoadResourceModule(TLibModule& module);
// Closes a resource module opened by LoadResourceModule.
void FreeResourceModule(TLibModule& module);

// A resource of the module's table in use (names compare case-insensitively),
// or null.
const TResourceEntry* FindResource(const TLibModule* module, std::string_view name);

// A package opened for a builder: dlopen (local symbols, everything resolved
// now), then its Initialize. Null with `error` set when the file cannot be
// loaded or lacks the package entry points.
struct TPackageHandle {
  void* Handle = nullptr;
  std::string FileName;
  void (*Initialize)() = nullptr;
  void (*Finalize)() = nullptr;
  void (*Register)() = nullptr;
  const struct TPackageInfoTable* (*GetPackageInfoTable)() = nullptr;
};
bool LoadPackage(const std::string& path, TPackageHandle& package, std::string& error);
// Finalize, then dlclose. Destroy every component of the package's classes
// first: their code goes away with it.
void UnloadPackage(TPackageHandle& package);

}  // namespace vel
