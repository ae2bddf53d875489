#include <orvane/macro/brep/brep_library.hpp>

#include <orvane/surface/common/surface_library.hpp>

namespace orvane {

OrvaneBackgroundBRepLibrary::~OrvaneBackgroundBRepLibrary() = default;

void OrvaneBackgroundBRepLibrary::initialize() {
    Library::initialize_library<OrvaneBackgroundBRepLibrary>("BRep");
}

void OrvaneBackgroundBRepLibrary::do_initialize() {
    OrvaneBackgroundSurfaceLibrary::initialize();
}

}  // namespace orvane
