// Package unit tables: the initialise/finalise pair of every unit a package
// uses, and the host runtime's own units that packages list in their tables.
#pragma once

#include <cstdint>
#include <string_view>

namespace vel {

using TUnitProc = void (*)();

// One unit of a package's table. Either routine may be null.
struct TPackageUnitEntry {
  TUnitProc Init;
  TUnitProc FInit;
};

// What a package's GetPackageInfoTable returns: UnitCount entries, in the
// order in which they are initialised (finalised in reverse).
struct TPackageInfoTable {
  int32_t UnitCount;
  const TPackageUnitEntry* UnitInfo;
};

// Runs the Init routines in table order. If one throws, the units already
// initialised by this call are finalised in reverse order and the exception
// goes on. A null table or a negative count does nothing.
void InitializePackage(const TPackageInfoTable* table);
// Runs the FInit routines in reverse table order; exceptions are swallowed so
// that every unit gets its turn.
void FinalizePackage(const TPackageInfoTable* table);

// The host runtime's units. Their routines count users: the first Init does the
// unit's start-up work, the last FInit its shut-down work, so that units
// shared by several packages start and stop once.
#define VEL_HOST_UNITS(X) \
  X(Object)               \
  X(Flags)                \
  X(Raster)               \
  X(ImageIO)              \
  X(Graphics)             \
  X(Events)               \
  X(Keys)                 \
  X(Classes)              \
  X(Controls)             \
  X(Forms)                \
  X(Timer)                \
  X(Backend)              \
  X(Application)          \
  X(Dialogs)              \
  X(TypInfo)              \
  X(PropBuild)            \
  X(HostTypInfo)          \
  X(PropText)             \
  X(Design)               \
  X(VersionInfo)          \
  X(Modules)              \
  X(FormFile)             \
  X(Packages)

namespace unit {
#define VEL_DECLARE_HOST_UNIT(U) \
  void U##_Initialize();         \
  void U##_Finalize();
VEL_HOST_UNITS(VEL_DECLARE_HOST_UNIT)
#undef VEL_DECLARE_HOST_UNIT
}  // namespace unit

// How many packages currently hold a host unit initialised (-1 for an unknown
// name), and how often its start-up work ran.
int HostUnitUseCount(std::string_view name);
int HostUnitStartCount(std::string_view name);

}  // namespace vel
