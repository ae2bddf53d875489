#include <orvane/toolkit/cutter/surface/cutter_surface_library.hpp>

#include <orvane/toolkit/modifier/surface/modifier_surface_library.hpp>

namespace orvane {

OrvaneCommonCutterSurfaceLibrary::~OrvaneCommonCutterSurfaceLibrary() = default;

void OrvaneCommonCutterSurfaceLibrary::initialize() {
    Library::initialize_library<OrvaneCommonCutterSurfaceLibrary>("CutterSurface");
}

void OrvaneCommonCutterSurfaceLibrary::do_initialize() {
    OrvaneCommonModifierSurfaceLibrary::initialize();
}

}  // namespace orvane
