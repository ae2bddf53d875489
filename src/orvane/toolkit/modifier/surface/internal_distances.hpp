#pragma once

#include <cstdint>

#include <absl/container/inlined_vector.h>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/geometry/triangle.hpp>
#include <orvane/kernel/mesh/mesh_element.hpp>
#include <orvane/kernel/mesh/triangulated_surface.hpp>

namespace orvane {

// A small distance inside a triangle: two vertices too close together
// (vertex-vertex), a vertex too close to the opposite edge (edge-vertex), or, as a
// topological defect, a vertex that is a double adjacency (exactly two triangles
// around it sharing both of its edges).
struct InternalDistance {
    enum struct ELEMENT_STATUS : std::uint8_t {
        good = 0,
        vertex_vertex = 1,
        edge_vertex = 2,
        double_adjacency = 3
    };

    struct Options {
        // Distances at or below it are bad.
        double tolerance{GLOBAL_EPSILON};
        // Also report vertices of the triangle that are double adjacencies (needs the
        // mesh around the triangle).
        bool detect_double_adjacency{false};
    };

    ELEMENT_STATUS status{ELEMENT_STATUS::good};
    // The length of the short edge, or the distance from the vertex to the (closed)
    // opposite edge; 0 for a double adjacency.
    double distance{0};
    // vertex_vertex: the short edge. edge_vertex: the edge the opposite vertex (its
    // apex) is close to. double_adjacency: the edge starting at the vertex. For a free
    // triangle (not of a mesh) polygon_id is NO_ID and edge_id the local edge.
    PolygonEdge edge;
    // double_adjacency: the vertex; NO_ID otherwise.
    index_t vertex{NO_ID};
};

using InternalDistances = absl::InlinedVector<InternalDistance, 10>;

// The bad configurations of a triangle, in this order: double adjacencies (with the
// switch on), then each edge at most `tolerance` long (vertex-vertex), then each vertex
// within `tolerance` of the opposite edge while farther than `tolerance` from both of
// its ends (edge-vertex; a vertex near an end is the vertex-vertex case of the short
// edge). Empty for a good triangle. "Fast": a vertex is measured against its opposite
// edge only when the triangle's area says the height could be small, so a good triangle
// costs three squared lengths and one cross product.
//
// Accepts a triangle a modifier has deactivated (its vertex list is read as it is).
InternalDistances fast_triangle_internal_distances(
    const TriangulatedSurface<2>& surface, index_t triangle,
    const InternalDistance::Options& options);
InternalDistances fast_triangle_internal_distances(const Triangle<2>& triangle,
                                                   double tolerance = GLOBAL_EPSILON);

// The smallest of the three edge lengths and the three vertex-to-opposite-edge
// distances, with its kind (vertex_vertex when the vertex's nearest point of the edge is
// an end of it, edge_vertex otherwise). The status field names the kind; whether it is
// bad is the caller's comparison with its tolerance.
InternalDistance minimal_triangle_internal_distance(const Triangle<2>& triangle);

// The first configuration fast_triangle_internal_distances reports, or good.
InternalDistance::ELEMENT_STATUS triangle_status(
    const TriangulatedSurface<2>& surface, index_t triangle,
    const InternalDistance::Options& options);
InternalDistance::ELEMENT_STATUS triangle_status(const Triangle<2>& triangle,
                                                 double tolerance = GLOBAL_EPSILON);

}  // namespace orvane
