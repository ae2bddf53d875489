#include <orvane/macro/line/line_library.hpp>

#include <orvane/macro/common/common_library.hpp>

namespace orvane {

OrvaneBackgroundLineLibrary::~OrvaneBackgroundLineLibrary() = default;

void OrvaneBackgroundLineLibrary::initialize() {
    Library::initialize_library<OrvaneBackgroundLineLibrary>("Line");
}

void OrvaneBackgroundLineLibrary::do_initialize() {
    OrvaneBackgroundCommonLibrary::initialize();
}

}  // namespace orvane
