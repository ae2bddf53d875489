// Demonstration of the background surface library.
//
// For now it initialises the library and shows what was set up; the insertion,
// decimation and carving walk-through grows here as those parts land.

#include <cstdio>
#include <exception>
#include <string>

#include <orvane/kernel/basic/library.hpp>
#include <orvane/kernel/basic/logger.hpp>
#include <orvane/kernel/basic/velmora_exception.hpp>
#include <orvane/surface/common/surface_library.hpp>

#ifndef ORVANE_VERSION
#define ORVANE_VERSION "unknown"
#endif

namespace {

void print_libraries() {
    const auto libraries = orvane::Library::initialized_libraries();
    std::printf("Libraries initialised, dependencies first (%zu):\n", libraries.size());
    for (const auto& name : libraries) {
        std::printf("  - %s\n", name.c_str());
    }
}

}  // namespace

int main() {
    try {
        std::printf("Orvane background surface %s\n\n", ORVANE_VERSION);
        orvane::OrvaneBackgroundSurfaceLibrary::initialize();
        print_libraries();
        std::printf(
            "\nLog level: %s\n",
            std::string{orvane::Logger::level_name(orvane::Logger::level())}.c_str());
        return 0;
    } catch (const orvane::VelmoraException& e) {
        std::fprintf(stderr, "orvane_demo failed: %s\n", e.chain_string().c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "orvane_demo failed: %s\n", e.what());
    }
    return 1;
}
