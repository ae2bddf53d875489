#include <orvane/toolkit/modifier/surface/modifier_surface_library.hpp>

#include <orvane/toolkit/modifier/common/modifier_common_library.hpp>

namespace orvane {

OrvaneCommonModifierSurfaceLibrary::~OrvaneCommonModifierSurfaceLibrary() = default;

void OrvaneCommonModifierSurfaceLibrary::initialize() {
    Library::initialize_library<OrvaneCommonModifierSurfaceLibrary>("ModifierSurface");
}

void OrvaneCommonModifierSurfaceLibrary::do_initialize() {
    OrvaneCommonModifierCommonLibrary::initialize();
}

}  // namespace orvane
