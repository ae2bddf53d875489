#include <orvane/toolkit/modifier/common/modifier_common_library.hpp>

#include <orvane/kernel/mesh/mesh_library.hpp>

namespace orvane {

OrvaneCommonModifierCommonLibrary::~OrvaneCommonModifierCommonLibrary() = default;

void OrvaneCommonModifierCommonLibrary::initialize() {
    Library::initialize_library<OrvaneCommonModifierCommonLibrary>("ModifierCommon");
}

void OrvaneCommonModifierCommonLibrary::do_initialize() {
    VelmoraMeshLibrary::initialize();
}

}  // namespace orvane
