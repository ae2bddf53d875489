#include <orvane/surface/background/background_surface.hpp>

#include <algorithm>
#include <string>
#include <vector>

#include <orvane/surface/background/background_surface_builder.hpp>
#include <orvane/surface/common/surface_exception.hpp>

namespace orvane::internal {

// ---- MacroInfo2D --------------------------------------------------------------------

struct MacroInfo2D::Impl {};

MacroInfo2D::MacroInfo2D() : impl_(std::make_unique<Impl>()) {}
MacroInfo2D::MacroInfo2D(MacroInfo2D&& other) noexcept = default;
MacroInfo2D::~MacroInfo2D() = default;

void MacroInfo2D::initialize_macro_info_surface_data_base(AttributeManager& vertices,
                                                          AttributeManager& edges,
                                                          AttributeManager& polygons) {
    // A failed bind leaves the surface plain again: remove what this call created,
    // never what was already there (as on a surface cloned from a background's).
    const auto vertex_names = vertices.attribute_names();
    const auto polygon_names = polygons.attribute_names();
    const auto remove_created = [](AttributeManager& manager,
                                   const std::vector<std::string>& before) {
        for (const auto& name : manager.attribute_names()) {
            if (std::find(before.begin(), before.end(), name) == before.end()) {
                manager.delete_attribute(name);
            }
        }
    };
    try {
        initialize_macro_info_data_base(vertices, polygons);
        initialize_macro_edges_data_base(vertices, edges);
    } catch (...) {
        remove_created(vertices, vertex_names);
        remove_created(polygons, polygon_names);
        throw;
    }
}

void MacroInfo2D::clean_background_surface_data_base(AttributeManager& vertices,
                                                     AttributeManager& edges,
                                                     AttributeManager& polygons) {
    clean_macro_info_data_base(vertices, polygons);
    clean_macro_edges_data_base(vertices, edges);
}

namespace {

template <typename List>
bool is_subset(const List& subset, const List& set) {
    return std::all_of(subset.begin(), subset.end(), [&set](const auto& entity) {
        return std::find(set.begin(), set.end(), entity) != set.end();
    });
}

bool carries_macro_information(const BackgroundSurface& background, index_t vertex) {
    return !background.macro_vertices(vertex).empty() ||
           !background.incident_macro_edges(vertex).empty();
}

// Whether `from` may be merged into `to` along `edge` without an input entity leaving
// the place it lies on: its macro vertices are already at `to`, and every input edge
// through it passes through `to` along `edge`.
bool may_move_onto(const BackgroundSurface& background, index_t from, index_t to,
                   index_t edge) {
    const auto& vertices = background.macro_vertices(from);
    if (!vertices.empty() && !is_subset(vertices, background.macro_vertices(to))) {
        return false;
    }
    const auto& incident = background.incident_macro_edges(from);
    return is_subset(incident, background.incident_macro_edges(to)) &&
           is_subset(incident, background.macro_edges(edge));
}

}  // namespace

EdgeMacroInfoConfig MacroInfo2D::edge_configuration(
    index_t edge, const BackgroundSurface& background) const {
    const auto& vertices = background.surface().edges().edge_vertices(edge);
    const index_t p = vertices[0];
    const index_t q = vertices[1];
    EdgeMacroInfoConfig config;
    config.edge = edge;
    const bool p_carries = carries_macro_information(background, p);
    const bool q_carries = carries_macro_information(background, q);
    if (!p_carries || !q_carries) {
        config.vertex_configurations = {{p_carries ? 4u : 0u, q_carries ? 4u : 0u}};
        return config;
    }
    if (!background.macro_vertices(p).empty() && !background.macro_vertices(q).empty()) {
        config.vertex_configurations = {{3, 3}};
        return config;
    }
    const bool p_moves = may_move_onto(background, p, q, edge);
    const bool q_moves = may_move_onto(background, q, p, edge);
    if (p_moves && q_moves) {
        config.vertex_configurations = {{1, 1}};
    } else if (p_moves) {
        config.vertex_configurations = {{2, 4}};
    } else if (q_moves) {
        config.vertex_configurations = {{4, 2}};
    } else {
        config.vertex_configurations = {{4, 4}};
    }
    return config;
}

// ---- BackgroundSurface --------------------------------------------------------------

struct BackgroundSurface::Impl {
    explicit Impl(const TriangulatedSurface<2>& surface_in) : surface(&surface_in) {}

    // Null once the background has been moved from.
    const TriangulatedSurface<2>* surface;
};

BackgroundSurface::BackgroundSurface(const TriangulatedSurface<2>& surface)
    : impl_(std::make_unique<Impl>(surface)) {
    surface.enable_edges();
    // The data are bound while a builder over the new background exists, as every
    // write to the stores happens under one.
    BackgroundSurfaceBuilder builder{*this};
    initialize_macro_info_surface_data_base(surface.vertex_attribute_manager(),
                                            surface.edges().edge_attribute_manager(),
                                            surface.polygon_attribute_manager());
}

BackgroundSurface::BackgroundSurface(BackgroundSurface&& other) noexcept = default;

BackgroundSurface::~BackgroundSurface() {
    if (!impl_ || impl_->surface == nullptr) {
        return;
    }
    const auto& mesh = *impl_->surface;
    // A background only exists with the edges enabled; someone may have disabled them
    // since, and then there are no edge data left to remove.
    if (mesh.are_edges_enabled()) {
        clean_background_surface_data_base(mesh.vertex_attribute_manager(),
                                           mesh.edges().edge_attribute_manager(),
                                           mesh.polygon_attribute_manager());
    } else {
        AttributeManager no_edges;
        clean_background_surface_data_base(mesh.vertex_attribute_manager(), no_edges,
                                           mesh.polygon_attribute_manager());
    }
}

const TriangulatedSurface<2>& BackgroundSurface::surface() const {
    if (!impl_ || impl_->surface == nullptr) {
        throw OrvaneBackgroundSurfaceException(
            nullptr, "[BackgroundSurface::surface] Background was moved from");
    }
    return *impl_->surface;
}

std::tuple<std::unique_ptr<TriangulatedSurface<2>>, std::unique_ptr<BackgroundSurface>>
BackgroundSurface::clone() const {
    auto surface_clone = surface().clone();
    auto background_clone = std::make_unique<BackgroundSurface>(*surface_clone);
    return {std::move(surface_clone), std::move(background_clone)};
}

std::unique_ptr<TriangulatedSurface<2>> BackgroundSurface::clone_surface() const {
    auto surface_clone = surface().clone();
    { BackgroundSurface unbinding{*surface_clone}; }
    return surface_clone;
}

PolygonEdge BackgroundSurface::one_border_polygon_edge() const {
    const auto& mesh = surface();
    for (index_t t = 0; t < mesh.nb_polygons(); ++t) {
        for (local_index_t e = 0; e < 3; ++e) {
            const PolygonEdge edge{t, e};
            if (mesh.is_edge_on_border(edge)) {
                return edge;
            }
        }
    }
    throw OrvaneBackgroundSurfaceException(
        nullptr, "[BackgroundSurface::one_border_polygon_edge] No edge on border found");
}

const std::array<index_t, 2>& BackgroundSurface::edge_vertices(index_t edge) const {
    return surface().edges().edge_vertices(edge);
}

MacroEdges::EdgesAroundVertex BackgroundSurface::edges_around_vertex(
    index_t vertex) const {
    const auto& mesh = surface();
    const auto& edges = mesh.edges();
    EdgesAroundVertex result;
    for (const index_t neighbour : mesh.vertices_around_vertex(vertex)) {
        if (const auto edge = edges.edge_from_vertices({vertex, neighbour})) {
            result.push_back(*edge);
        }
    }
    return result;
}

}  // namespace orvane::internal
