#include <orvane/kernel/mesh/mesh_library.hpp>

#include <orvane/kernel/geometry/geometry_library.hpp>

namespace orvane {

VelmoraMeshLibrary::~VelmoraMeshLibrary() = default;

void VelmoraMeshLibrary::initialize() {
    Library::initialize_library<VelmoraMeshLibrary>("Mesh");
}

void VelmoraMeshLibrary::do_initialize() {
    VelmoraGeometryLibrary::initialize();
}

}  // namespace orvane
