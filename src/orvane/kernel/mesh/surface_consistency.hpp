#pragma once

#include <functional>
#include <string>
#include <vector>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/mesh/surface_mesh.hpp>

namespace orvane {

struct SurfaceConsistencyOptions {
    // Polygons for which it answers false (detached by a modifier) are skipped by the
    // adjacency, orientation and edge checks, must not be adjacent to an active polygon
    // and must not be named by a vertex. Empty: every polygon is active.
    std::function<bool(index_t)> is_polygon_active;
    // Check that no active polygon has a negative or zero area (exact sign).
    bool check_orientation{true};
    // Stop after this many problems.
    index_t max_problems{100};
};

// Checks the invariants of a surface and returns one readable line per problem (empty:
// valid):
// - polygon vertices in range and pairwise distinct;
// - adjacency in range, symmetric, and across an edge joining the same two vertices;
// - incident pointers in range and naming a polygon that uses the vertex; a vertex used
//   by an active polygon is not isolated; the walk around every vertex terminates;
// - with edges enabled: every polygon edge is in the edge set, the hash map and the pair
//   array agree, and every pair is sorted and in range;
// - no inverted or flat active polygon (exact orientation), when asked.
std::vector<std::string> check_surface_consistency(
    const SurfaceMesh<2>& surface, const SurfaceConsistencyOptions& options = {});

}  // namespace orvane
