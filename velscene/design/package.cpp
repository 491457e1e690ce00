// The package's unit table and its Initialize, Finalize and
// GetPackageInfoTable entry points.
#include "velscene/design/package.h"

#include <iterator>

namespace {

using namespace vel;

// The Velscene unit has no start-up or shut-down work of its own.
int g_velsceneInitialized = 0;
int g_velsceneFinalized = 0;
void VelsceneInitialize() { ++g_velsceneInitialized; }
void VelsceneFinalize() { ++g_velsceneFinalized; }

#define VELPACK1_UNIT(U) {&unit::U##_Initialize, &unit::U##_Finalize}

// The host runtime units that the package's sources include (directly or
// through other host headers), in the order they build on each other, and
// Velscene last.
const TPackageUnitEntry kUnits[] = {
    VELPACK1_UNIT(Object),      VELPACK1_UNIT(Flags),       VELPACK1_UNIT(Raster),
    VELPACK1_UNIT(Graphics),    VELPACK1_UNIT(Events),      VELPACK1_UNIT(Keys),
    VELPACK1_UNIT(Classes),     VELPACK1_UNIT(Controls),    VELPACK1_UNIT(Timer),
    VELPACK1_UNIT(Backend),     VELPACK1_UNIT(Application), VELPACK1_UNIT(Dialogs),
    VELPACK1_UNIT(TypInfo),     VELPACK1_UNIT(PropBuild),   VELPACK1_UNIT(HostTypInfo),
    VELPACK1_UNIT(Design),      VELPACK1_UNIT(VersionInfo), VELPACK1_UNIT(Modules),
    VELPACK1_UNIT(Packages),
    {&VelsceneInitialize, &VelsceneFinalize},
};

#undef VELPACK1_UNIT

const TPackageInfoTable kTable = {static_cast<int32_t>(std::size(kUnits)), kUnits};

}  // namespace

extern "C" {

void Initialize() { vel::InitializePackage(&kTable); }

void Finalize() { vel::FinalizePackage(&kTable); }

const vel::TPackageInfoTable* GetPackageInfoTable() { return &kTable; }

void VelsceneUnitRuns(int* initialized, int* finalized) {
  if (initialized != nullptr) *initialized = g_velsceneInitialized;
  if (finalized != nullptr) *finalized = g_velsceneFinalized;
}

}  // extern "C"
