#pragma once

#include <memory>

#include <orvane/kernel/mesh/surface_mesh.hpp>

namespace orvane {

// The triangulated surface the toolkit and the library work on. All queries come from
// SurfaceMesh (whose polygons are triangles already).
template <index_t dimension>
class TriangulatedSurface : public SurfaceMesh<dimension> {
public:
    TriangulatedSurface() = default;
    ~TriangulatedSurface() override = default;
    TriangulatedSurface(TriangulatedSurface&&) noexcept = default;
    TriangulatedSurface& operator=(TriangulatedSurface&&) noexcept = default;

    static std::unique_ptr<TriangulatedSurface> create() {
        return std::make_unique<TriangulatedSurface>();
    }
    // See SurfaceMesh::clone.
    std::unique_ptr<TriangulatedSurface> clone() const {
        auto copy = std::make_unique<TriangulatedSurface>();
        copy->copy_surface(*this);
        return copy;
    }
};

using TriangulatedSurface2D = TriangulatedSurface<2>;

}  // namespace orvane
