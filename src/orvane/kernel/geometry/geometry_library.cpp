#include <orvane/kernel/geometry/geometry_library.hpp>

#include <orvane/kernel/basic/basic_library.hpp>

namespace orvane {

VelmoraGeometryLibrary::~VelmoraGeometryLibrary() = default;

void VelmoraGeometryLibrary::initialize() {
    Library::initialize_library<VelmoraGeometryLibrary>("Geometry");
}

void VelmoraGeometryLibrary::do_initialize() {
    VelmoraBasicLibrary::initialize();
}

}  // namespace orvane
