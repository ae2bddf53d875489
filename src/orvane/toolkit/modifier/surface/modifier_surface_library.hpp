#pragma once

#include <orvane/kernel/basic/library.hpp>

namespace orvane {

// The library object of the toolkit's surface modifiers.
class OrvaneCommonModifierSurfaceLibrary : public Library {
public:
    OrvaneCommonModifierSurfaceLibrary() = default;
    ~OrvaneCommonModifierSurfaceLibrary() override;

    // Registers the library once and initialises it and its dependencies; see Library
    // for what repeated and concurrent calls do.
    static void initialize();

private:
    void do_initialize() override;
};

}  // namespace orvane
