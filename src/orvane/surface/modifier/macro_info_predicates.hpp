#pragma once

#include <optional>

#include <orvane/kernel/mesh/mesh_element.hpp>
#include <orvane/toolkit/modifier/surface/constraint_modifier.hpp>

namespace orvane::internal {

class BackgroundSurface;

// What the macro information allows a local operation on a background edge to do: a
// vertex, an edge or a triangle may only disappear when what it carries is also carried
// by what survives, so that no input entity loses its place in the background.
//
// The "all" forms consider every macro entity; the "mandatory" forms only those whose
// component is mandatory (MacroInfo::is_macro_info_mandatory), letting the others be
// lost. Inclusion tests are linear searches over the stored lists.
//
// `edge` is a polygon edge (p -> q) of the background's surface, `apex` an optional
// polygon vertex; a given apex means the operation re-routes the edge through it. Reads
// only; they throw nothing of their own: where an edge of the edge set is required and
// missing (a polygon edge whose triangle a modifier has detached, say), the standard
// bad-optional-access exception leaves; a triangle index beyond the mesh is the
// kernel's out-of-range exception.

// Which end of `edge` a collapse may remove (ALLOWED_COLLAPSE_VERTEX_VERTEX: 1 p, 2 q).
// Always 3 for an edge of length at most 1e-6. Otherwise x (towards y) stays removable
// when (a) its macro vertices are among y's, (b) its incident macro edges are among
// y's, and, when the edge set has the edge e = (p, q), (c) its incident macro edges are
// among e's and (d) the macro elements around x are among those of e's one or two
// triangles.
ALLOWED_COLLAPSE_VERTEX_VERTEX allowed_collapse_edge_by_macro_info(
    const BackgroundSurface& background, const PolygonEdge& edge);
ALLOWED_COLLAPSE_VERTEX_VERTEX allowed_collapse_edge_by_mandatory_macro_info(
    const BackgroundSurface& background, const PolygonEdge& edge);

// 3 with an apex. Otherwise bit 1 when the vertex opposite the edge carries no macro
// vertex and no incident macro edge, bit 0 when the edge carries no macro edge.
ALLOWED_COLLAPSE_EDGE_VERTEX allowed_collapse_edge_vertex_by_macro_info(
    const BackgroundSurface& background, const PolygonEdge& edge,
    const std::optional<PolygonVertex>& apex);

// The edge-vertex verdict, or 0 when the edge is interior, no apex is given and its two
// triangles do not carry the same macro elements.
ALLOWED_COLLAPSE_EDGE_VERTEX allowed_split_collapse_edge_by_macro_info(
    const BackgroundSurface& background, const PolygonEdge& edge,
    const std::optional<PolygonVertex>& apex);
ALLOWED_COLLAPSE_EDGE_VERTEX allowed_split_collapse_edge_by_mandatory_macro_info(
    const BackgroundSurface& background, const PolygonEdge& edge,
    const std::optional<PolygonVertex>& apex);

// False on the border; otherwise whether the split-collapse verdict lets the edge
// disappear.
bool is_swap_edge_allowed_by_macro_info(const BackgroundSurface& background,
                                        const PolygonEdge& edge,
                                        const std::optional<PolygonVertex>& apex);
bool is_swap_edge_allowed_by_mandatory_macro_info(
    const BackgroundSurface& background, const PolygonEdge& edge,
    const std::optional<PolygonVertex>& apex);

// True with an apex; false on the border; otherwise true when the edge carries no
// mandatory macro edge.
bool is_edge_removal_allowed_by_mandatory_macro_info(
    const BackgroundSurface& background, const PolygonEdge& edge,
    const std::optional<PolygonVertex>& apex);

}  // namespace orvane::internal
