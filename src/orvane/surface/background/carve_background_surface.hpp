#pragma once

#include <orvane/surface/background/background_surface.hpp>
#include <orvane/surface/modifier/background_surface_modifier.hpp>
#include <orvane/toolkit/modifier/common/mapping.hpp>
#include <orvane/toolkit/modifier/surface/triangulated_surface_modifier.hpp>

namespace orvane::internal {

// Removes the part of the background reachable from its outer border without crossing
// a macro edge, then compacts the mesh: starting from a triangle with a border edge, a
// flood crosses every edge that carries no macro edge and deactivates every triangle
// it reaches; whatever lies behind a closed wall of macro edges survives, and so does
// any piece the flood cannot reach (another connected piece, even one touching the
// flooded part at a vertex). The start triangle is removed whatever its edges carry.
//
// The start is the first border edge, in triangle-then-local-edge order, of an ACTIVE
// triangle: triangles a modifier has deactivated are detached and look like border
// triangles, and a flood from one of them would reach nothing.
//
// Returns the modifier's clean() mappings: every index held before the call must be
// translated through them. Throws an OrvaneBackgroundSurfaceException
// "[BackgroundSurface:: one_border_polygon_edge] No edge on border found" when no active
// triangle has a border edge (a closed surface, or no triangle), before anything is
// changed.
//
// Cost: O(number of triangles) (each triangle is queued at most once), plus the clean.
TriangulatedSurfaceModifier<2>::CleanMappings carve_background_surface(
    ModifiableObject<BackgroundSurface> modifiable_background);

}  // namespace orvane::internal
