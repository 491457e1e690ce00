// The start-up unit that every package built against the host runtime
// compiles in: its load and unload notifications keep the module list.
#include <dlfcn.h>

#include "velscene/platform/design/modules.h"

// Every package defines its resource table (empty if it has no resources).
extern "C" const vel::TResourceEntry* VelResources(size_t* count);

namespace {

// Lives as long as the package is loaded: built when the dynamic loader maps
// it, destroyed when it is unloaded (dlclose or process exit).
struct TPackageModule {
  vel::TLibModule module;

  TPackageModule() {
    Dl_info info{};
    if (dladdr(static_cast<const void*>(this), &info) == 0) return;  // this object lies in the package
    module.Instance = info.dli_fbase;
    module.FileName = info.dli_fname != nullptr ? info.dli_fname : "";
    module.Resources = &VelResources;
    // A resource module for the user's language, if one was installed beside
    // the package, takes the place of the package's own resources.
    vel::LoadResourceModule(module);
    vel::RegisterModule(&module);
  }

  ~TPackageModule() {
    vel::UnregisterModule(&module);
    vel::FreeResourceModule(module);
  }

  TPackageModule(const TPackageModule&) = delete;
  TPackageModule& operator=(const TPackageModule&) = delete;
};

TPackageModule g_packageModule;

}  // namespace
