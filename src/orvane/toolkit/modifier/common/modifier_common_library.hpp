#pragma once

#include <orvane/kernel/basic/library.hpp>

namespace orvane {

// The library object of the toolkit's common modifier services (constraints, mappings,
// records).
class OrvaneCommonModifierCommonLibrary : public Library {
public:
    OrvaneCommonModifierCommonLibrary() = default;
    ~OrvaneCommonModifierCommonLibrary() override;

    // Registers the library once and initialises it and its dependencies; see Library
    // for what repeated and concurrent calls do.
    static void initialize();

private:
    void do_initialize() override;
};

}  // namespace orvane
