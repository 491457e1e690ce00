// The entry points of the design-time package velpack1, exported with C
// linkage so that a builder finds them with dlsym.
#pragma once

#include <cstddef>

#include "velscene/platform/design/modules.h"
#include "velscene/platform/design/packages.h"

extern "C" {
// Initialises the package's units from its unit table, in table order.
void Initialize();
// Finalises them in reverse order.
void Finalize();
// The unit table: the host runtime units the package uses, then Velscene.
const vel::TPackageInfoTable* GetPackageInfoTable();
// Puts the components on the "Animation" palette page and attaches TAbout to
// their About properties.
void Register();
// How often the Velscene unit's initialise and finalise entries have run.
void VelsceneUnitRuns(int* initialized, int* finalized);
// The package's own resources (see platform/modules.h).
const vel::TResourceEntry* VelResources(size_t* count);
}
