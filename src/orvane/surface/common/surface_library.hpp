#pragma once

#include <orvane/kernel/basic/library.hpp>

namespace orvane {

// The library object of the background surface library. Callers invoke `initialize()`
// once before anything else; it makes sure the mesh kernel and the toolkit libraries
// this library uses are initialised, in a fixed order. There is no shutdown: the
// object lives in the kernel's singleton registry until the process ends.
class OrvaneBackgroundSurfaceLibrary : public Library {
public:
    OrvaneBackgroundSurfaceLibrary() = default;
    ~OrvaneBackgroundSurfaceLibrary() override;

    // Registers the library object (once, under the registry lock), then calls
    // call_initialize("Surface") on it with the lock released. Failures of the
    // dependencies' initialisers propagate unchanged.
    static void initialize();

private:
    void do_initialize() override;
};

}  // namespace orvane
