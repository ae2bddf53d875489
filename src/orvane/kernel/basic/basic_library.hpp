#pragma once

#include <orvane/kernel/basic/library.hpp>

namespace orvane {

// The library object of the kernel's basic services (logging, ids, singletons).
class VelmoraBasicLibrary : public Library {
public:
    VelmoraBasicLibrary() = default;
    ~VelmoraBasicLibrary() override;

    // Registers the library once and initialises it; later calls do nothing more.
    static void initialize();

private:
    void do_initialize() override;
};

}  // namespace orvane
