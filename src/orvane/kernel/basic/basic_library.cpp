#include <orvane/kernel/basic/basic_library.hpp>

namespace orvane {

VelmoraBasicLibrary::~VelmoraBasicLibrary() = default;

void VelmoraBasicLibrary::initialize() {
    Library::initialize_library<VelmoraBasicLibrary>("Basic");
}

// The basic services need no set-up: the logger and the registry are ready on first use.
void VelmoraBasicLibrary::do_initialize() {}

}  // namespace orvane
