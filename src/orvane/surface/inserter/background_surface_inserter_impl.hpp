#pragma once

// The state and private operations of BackgroundSurfaceInserter, shared by its
// implementation files (frame and point sets, vertex insertion, isovalues, and later
// curves and surfaces). Not part of the exported interface.

#include <array>
#include <memory>
#include <optional>
#include <vector>

#include <absl/types/span.h>

#include <orvane/kernel/basic/attribute.hpp>
#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/basic/uuid.hpp>
#include <orvane/kernel/geometry/aabb.hpp>
#include <orvane/kernel/geometry/point.hpp>
#include <orvane/kernel/mesh/edged_curve.hpp>
#include <orvane/kernel/mesh/mesh_element.hpp>
#include <orvane/kernel/mesh/triangulated_surface.hpp>
#include <orvane/macro/common/element_search.hpp>
#include <orvane/macro/line/macro_edge_insertion_info.hpp>
#include <orvane/surface/background/background_surface.hpp>
#include <orvane/surface/background/background_surface_builder.hpp>
#include <orvane/surface/inserter/background_surface_inserter.hpp>
#include <orvane/surface/modifier/background_surface_modifier.hpp>

namespace orvane::internal {

struct BackgroundSurfaceInserter::Impl {
    using SubSegmentBoundary = MacroEdgeInsertionInfo<2>::SubSegmentBoundary;

    // A copy of the border as a curve: curve edge k is skin edge k, whose background
    // vertices (in the triangle's orientation) at build time are edges[k].
    struct Skin {
        std::unique_ptr<EdgedCurve<2>> curve;
        std::vector<std::array<index_t, 2>> edges;
        AABBTree<2> tree;
    };

    // One requested isovalue.
    struct Isoline {
        uuid id;
        std::shared_ptr<VariableAttribute<double>> attribute;
        double value{0};
    };

    Impl(ModifiableObject<BackgroundSurface> modifiable,
         BackgroundSurfaceBuilder& builder);

    // Frame (background_surface_inserter.cpp).
    void build_skin();
    void tag_border();
    void remove_border_tags();
    // Rebuilds the element search when the modifier has been cleaned since the last
    // rebuild (its indices refer to the numbering of that rebuild).
    void refresh_element_search();

    // Vertex insertion (background_surface_vertex_insertion.cpp).
    // The active triangle that holds `point`, or nothing when it lies outside.
    std::optional<index_t> containing_triangle(const Point<2>& point) const;
    index_t insert_vertex(index_t triangle, const Point<2>& point);
    index_t insert_vertex_on_skin(const SubSegmentBoundary& boundary);
    std::vector<PolygonEdge> skin_edge_chain(index_t skin_edge) const;
    PolygonEdge skin_starting_edge(index_t skin_edge) const;
    // Epsilon and shift optimisation around a split's new vertex (immutable meanwhile);
    // the vertex after them, read through updated_vertex.
    index_t optimize_around_new_vertex(index_t new_vertex,
                                       absl::Span<const index_t> triangles,
                                       index_t first_new_polygon);

    // Isovalues (background_surface_isovalues.cpp).
    void insert_isovalue_in_triangles(const Isoline& isoline, index_t first);
    void tag_isoline_vertex(const Isoline& isoline, index_t vertex);

    BackgroundSurface& background;
    const TriangulatedSurface<2>& surface;
    ElementSearch<TriangulatedSurface<2>> element_search;
    index_t clean_stamp{NO_ID};
    BackgroundSurfaceBuilder& builder;
    BackgroundSurfaceModifier& modifier;
    Skin skin;
    bool skin_outdated{false};
    uuid skin_id;
};

}  // namespace orvane::internal
