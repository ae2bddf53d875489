#pragma once

#include <orvane/kernel/basic/library.hpp>

namespace orvane {

// The library object of the kernel's meshes and attributes.
class VelmoraMeshLibrary : public Library {
public:
    VelmoraMeshLibrary() = default;
    ~VelmoraMeshLibrary() override;

    // Registers the library once and initialises it and its dependencies; see Library
    // for what repeated and concurrent calls do.
    static void initialize();

private:
    void do_initialize() override;
};

}  // namespace orvane
