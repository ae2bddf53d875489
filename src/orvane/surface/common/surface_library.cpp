#include <orvane/surface/common/surface_library.hpp>

#include <orvane/kernel/mesh/mesh_library.hpp>
#include <orvane/macro/common/common_library.hpp>
#include <orvane/macro/line/line_library.hpp>
#include <orvane/toolkit/cutter/surface/cutter_surface_library.hpp>

namespace orvane {

OrvaneBackgroundSurfaceLibrary::~OrvaneBackgroundSurfaceLibrary() = default;

void OrvaneBackgroundSurfaceLibrary::initialize() {
    Library::initialize_library<OrvaneBackgroundSurfaceLibrary>("Surface");
}

// The order is fixed: the kernel first, then path cutting, then the macro-information
// store and its curve part, which build on the toolkit.
void OrvaneBackgroundSurfaceLibrary::do_initialize() {
    VelmoraMeshLibrary::initialize();
    OrvaneCommonCutterSurfaceLibrary::initialize();
    OrvaneBackgroundCommonLibrary::initialize();
    OrvaneBackgroundLineLibrary::initialize();
}

}  // namespace orvane
