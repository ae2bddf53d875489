#pragma once

// Box trees over mesh elements: element i of the tree is edge i of a curve, or polygon
// i of a surface (every stored polygon, detached ones included).

#include <vector>

#include <orvane/kernel/geometry/aabb.hpp>
#include <orvane/kernel/geometry/bounding_box.hpp>
#include <orvane/kernel/mesh/edged_curve.hpp>
#include <orvane/kernel/mesh/surface_mesh.hpp>

namespace orvane {

template <index_t dimension>
AABBTree<dimension> create_aabb_tree(const EdgedCurve<dimension>& curve) {
    std::vector<BoundingBox<dimension>> boxes;
    boxes.reserve(curve.nb_edges());
    for (index_t e = 0; e < curve.nb_edges(); ++e) {
        const auto& v = curve.edge_vertices(e);
        boxes.emplace_back(curve.point(v[0]), curve.point(v[1]));
    }
    return AABBTree<dimension>{boxes};
}

template <index_t dimension>
AABBTree<dimension> create_aabb_tree(const SurfaceMesh<dimension>& surface) {
    std::vector<BoundingBox<dimension>> boxes;
    boxes.reserve(surface.nb_polygons());
    for (index_t p = 0; p < surface.nb_polygons(); ++p) {
        const auto& v = surface.polygon_vertices(p);
        BoundingBox<dimension> box{surface.point(v[0]), surface.point(v[1])};
        box.add_point(surface.point(v[2]));
        boxes.push_back(box);
    }
    return AABBTree<dimension>{boxes};
}

}  // namespace orvane
