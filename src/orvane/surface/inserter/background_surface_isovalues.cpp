#include <orvane/kernel/basic/attribute.hpp>
#include <orvane/kernel/basic/logger.hpp>
#include <orvane/kernel/geometry/distance.hpp>
#include <orvane/macro/common/macro_entities.hpp>
#include <orvane/surface/inserter/background_surface_inserter_impl.hpp>

namespace orvane::internal {

namespace {

constexpr double ISOVALUE_TOLERANCE = 1e-6;

}  // namespace

void BackgroundSurfaceInserter::insert_scalar_function_isovalues(
    std::string_view attribute_name, absl::Span<const double> isovalues) {
    Logger::info("Inserting isovalues in background mesh");
    auto& impl = *impl_;
    for (const double value : isovalues) {
        Impl::Isoline isoline;
        isoline.id = uuid{};
        isoline.attribute =
            impl.surface.vertex_attribute_manager()
                .find_or_create_attribute<VariableAttribute, double>(
                    attribute_name, 0.0, AttributeProperties{false, false, true});
        isoline.value = value;
        if (impl.surface.nb_polygons() != 0) {
            // Each pass handles the triangles the previous one created. Every split
            // removes one edge that the isoline crosses strictly and creates none (its
            // new vertex has exactly the isovalue), so the passes end.
            index_t first = 0;
            while (true) {
                const index_t count = impl.surface.nb_polygons();
                impl.insert_isovalue_in_triangles(isoline, first);
                if (impl.surface.nb_polygons() == count) {
                    break;
                }
                first = count;
            }
        }
    }
}

void BackgroundSurfaceInserter::Impl::insert_isovalue_in_triangles(const Isoline& isoline,
                                                                   index_t first) {
    const index_t nb_polygons = surface.nb_polygons();
    const auto& attribute = *isoline.attribute;
    const double e = isoline.value;
    for (index_t t = first; t < nb_polygons; ++t) {
        if (!modifier.is_triangle_active(t)) {
            continue;
        }
        for (local_index_t i = 0; i < 3; ++i) {
            const PolygonEdge edge{t, i};
            const auto [a, b] = surface.polygon_edge_vertices(edge);
            const double c = attribute.value(a);
            const double d = attribute.value(b);
            if (c == e) {
                tag_isoline_vertex(isoline, a);
                continue;
            }
            if (d == e) {
                tag_isoline_vertex(isoline, b);
                continue;
            }
            // Signs rather than the product (d - e) * (c - e) < 0, which underflows to
            // zero for values very near the isovalue; NaN compares false either way.
            const bool crossed = (c < e && e < d) || (d < e && e < c);
            if (!crossed) {
                continue;
            }
            const double f = (c - e) / (c - d);
            const Point<2> p = surface.point(b) * f + surface.point(a) * (1 - f);
            // Infinite function values leave no crossing to place.
            if (!p.is_finite()) {
                continue;
            }
            if (point_point_distance(surface.point(a), p) <= ISOVALUE_TOLERANCE) {
                tag_isoline_vertex(isoline, a);
                continue;
            }
            if (point_point_distance(surface.point(b), p) <= ISOVALUE_TOLERANCE) {
                tag_isoline_vertex(isoline, b);
                continue;
            }
            const auto info = modifier.split_edge(edge, p);
            tag_isoline_vertex(isoline, info.new_vertex);
            // The triangle is gone: its remaining edges are those of the new triangles,
            // which the next pass handles.
            break;
        }
    }
}

void BackgroundSurfaceInserter::Impl::tag_isoline_vertex(const Isoline& isoline,
                                                         index_t vertex) {
    for (const auto& macro_vertex : background.macro_vertices(vertex)) {
        if (macro_vertex.component_id == isoline.id) {
            return;
        }
    }
    builder.add_macro_vertex_info(MeshVertex{isoline.id, NO_ID}, vertex);
    isoline.attribute->set_value(vertex, isoline.value);
}

}  // namespace orvane::internal
