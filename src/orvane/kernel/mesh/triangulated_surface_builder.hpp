#pragma once

#include <array>
#include <memory>

#include <absl/types/span.h>

#include <orvane/kernel/mesh/surface_mesh_builder.hpp>
#include <orvane/kernel/mesh/triangulated_surface.hpp>

namespace orvane {

// Builder of a TriangulatedSurface: SurfaceMeshBuilder with triangle-named creation.
template <index_t dimension>
class TriangulatedSurfaceBuilder : public SurfaceMeshBuilder<dimension> {
public:
    explicit TriangulatedSurfaceBuilder(TriangulatedSurface<dimension>& surface)
        : SurfaceMeshBuilder<dimension>(surface) {}

    static std::unique_ptr<TriangulatedSurfaceBuilder> create(
        TriangulatedSurface<dimension>& surface) {
        return std::make_unique<TriangulatedSurfaceBuilder>(surface);
    }

    index_t create_triangle(const std::array<index_t, 3>& vertices) {
        return this->create_polygon(vertices);
    }
    index_t create_triangles(absl::Span<const std::array<index_t, 3>> triangles) {
        return this->create_polygons(triangles);
    }
};

using TriangulatedSurfaceBuilder2D = TriangulatedSurfaceBuilder<2>;

}  // namespace orvane
