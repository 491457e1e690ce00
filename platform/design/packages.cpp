// Package unit tables: initialising and finalising a package's units, and the
// use-counted routines of the host runtime's own units.
#include "velscene/platform/design/packages.h"

#include "velscene/platform/typinfo/host_typinfo.h"

namespace vel {

namespace {

struct THostUnitState {
  const char* name;
  int uses = 0;
  int starts = 0;
};

enum THostUnitIndex {
#define VEL_HOST_UNIT_INDEX(U) hu##U,
  VEL_HOST_UNITS(VEL_HOST_UNIT_INDEX)
#undef VEL_HOST_UNIT_INDEX
      huCount
};

THostUnitState g_units[huCount] = {
#define VEL_HOST_UNIT_STATE(U) {#U},
    VEL_HOST_UNITS(VEL_HOST_UNIT_STATE)
#undef VEL_HOST_UNIT_STATE
};

// Start-up work of the units that have any: the host's classes must be known
// before a package registers classes derived from them.
void StartUnit(THostUnitIndex index) {
  if (index == huHostTypInfo) RegisterHostClasses();
}

void Enter(THostUnitIndex index) {
  THostUnitState& u = g_units[index];
  if (u.uses++ == 0) {
    ++u.starts;
    StartUnit(index);
  }
}

void Leave(THostUnitIndex index) {
  THostUnitState& u = g_units[index];
  if (u.uses > 0) --u.uses;
}

const THostUnitState* Find(std::string_view name) {
  for (const THostUnitState& u : g_units) {
    if (name == u.name) return &u;
  }
  return nullptr;
}

}  // namespace

namespace unit {
#define VEL_DEFINE_HOST_UNIT(U)              \
  void U##_Initialize() { Enter(hu##U); }   \
  void U##_Finalize() { Leave(hu##U); }
VEL_HOST_UNITS(VEL_DEFINE_HOST_UNIT)
#undef VEL_DEFINE_HOST_UNIT
}  // namespace unit

void InitializePackage(const TPackageInfoTable* table) {
  if (table == nullptr || table->UnitInfo == nullptr || table->UnitCount <= 0) return;
  int32_t done = 0;
  try {
    for (; done < table->UnitCount; ++done) {
      if (TUnitProc init = table->UnitInfo[done].Init) init();
    }
  } catch (...) {
    while (done-- > 0) {
      try {
        if (TUnitProc fini = table->UnitInfo[done].FInit) fini();
      } catch (...) {
      }
    }
    throw;
  }
}

void FinalizePackage(const TPackageInfoTable* table) {
  if (table == nullptr || table->UnitInfo == nullptr || table->UnitCount <= 0) return;
  for (int32_t i = table->UnitCount; i-- > 0;) {
    try {
      if (TUnitProc fini = table->UnitInfo[i].FInit) fini();
    } catch (...) {
    }
  }
}

int HostUnitUseCount(std::string_view name) {
  const THostUnitState* u = Find(name);
  return u ? u->uses : -1;
}

int HostUnitStartCount(std::string_view name) {
  const THostUnitState* u = Find(name);
  return u ? u->starts : -1;
}

}  // namespace vel
