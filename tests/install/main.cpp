#include <cstdio>

#include <orvane/kernel/geometry/point.hpp>
#include <orvane/surface/common/surface_library.hpp>

int main() {
    orvane::OrvaneBackgroundSurfaceLibrary::initialize();
    const orvane::Point2D p{{1.0, 2.0}};
    std::printf("%s\n", (p + p).string().c_str());
    return (p + p) == orvane::Point2D{{2.0, 4.0}} ? 0 : 1;
}
