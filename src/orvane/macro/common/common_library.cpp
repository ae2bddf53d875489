#include <orvane/macro/common/common_library.hpp>

#include <orvane/toolkit/modifier/surface/modifier_surface_library.hpp>

namespace orvane {

OrvaneBackgroundCommonLibrary::~OrvaneBackgroundCommonLibrary() = default;

void OrvaneBackgroundCommonLibrary::initialize() {
    Library::initialize_library<OrvaneBackgroundCommonLibrary>("Common");
}

void OrvaneBackgroundCommonLibrary::do_initialize() {
    OrvaneCommonModifierSurfaceLibrary::initialize();
}

}  // namespace orvane
