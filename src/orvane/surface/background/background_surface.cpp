#include <orvane/surface/background/background_surface.hpp>

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
    initialize_macro_info_data_base(vertices, polygons);
    initialize_macro_edges_data_base(vertices, edges);
}

void MacroInfo2D::clean_background_surface_data_base(AttributeManager& vertices,
                                                     AttributeManager& edges,
                                                     AttributeManager& polygons) {
    clean_macro_info_data_base(vertices, polygons);
    clean_macro_edges_data_base(vertices, edges);
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
