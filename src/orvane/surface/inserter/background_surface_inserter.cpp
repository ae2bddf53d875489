#include <orvane/surface/inserter/background_surface_inserter.hpp>

#include <exception>
#include <numeric>
#include <string>
#include <vector>

#include <absl/container/flat_hash_map.h>
#include <absl/container/inlined_vector.h>
#include <absl/strings/str_cat.h>

#include <orvane/kernel/basic/logger.hpp>
#include <orvane/kernel/basic/progress_logger.hpp>
#include <orvane/kernel/mesh/mesh_aabb.hpp>
#include <orvane/macro/common/macro_entities.hpp>
#include <orvane/surface/inserter/background_surface_inserter_impl.hpp>

namespace orvane::internal {

BackgroundSurfaceInserter::Impl::Impl(ModifiableObject<BackgroundSurface> modifiable,
                                      BackgroundSurfaceBuilder& builder_in)
    : background(modifiable.object),
      surface(modifiable.object.surface()),
      builder(builder_in),
      modifier(modifiable.modifier) {}

void BackgroundSurfaceInserter::Impl::build_skin() {
    Skin fresh;
    fresh.curve = EdgedCurve<2>::create();
    auto curve_builder = EdgedCurveBuilder<2>::create(*fresh.curve);
    absl::flat_hash_map<index_t, index_t> curve_vertex;
    for (index_t t = 0; t < surface.nb_polygons(); ++t) {
        if (!modifier.is_triangle_active(t)) {
            continue;
        }
        for (local_index_t e = 0; e < 3; ++e) {
            const PolygonEdge edge{t, e};
            if (!surface.is_edge_on_border(edge)) {
                continue;
            }
            const auto vertices = surface.polygon_edge_vertices(edge);
            fresh.edges.push_back(vertices);
            std::array<index_t, 2> ends{{NO_ID, NO_ID}};
            for (local_index_t i = 0; i < 2; ++i) {
                const auto [it, inserted] =
                    curve_vertex.try_emplace(vertices[i], fresh.curve->nb_vertices());
                if (inserted) {
                    curve_builder->create_point(surface.point(vertices[i]));
                }
                ends[i] = it->second;
            }
            curve_builder->create_edge(ends[0], ends[1]);
        }
    }
    fresh.tree = create_aabb_tree(*fresh.curve);
    skin = std::move(fresh);
}

// Only active triangles are tagged, in the order of the skin build, so that the
// temporary macro edge {skin id, k} is the tag of skin edge k. A deactivated triangle
// is detached from its neighbours: all its edges look like border edges, and tagging
// them would protect interior edges of the live mesh.
void BackgroundSurfaceInserter::Impl::tag_border() {
    index_t k = 0;
    for (index_t t = 0; t < surface.nb_polygons(); ++t) {
        if (!modifier.is_triangle_active(t)) {
            continue;
        }
        for (local_index_t e = 0; e < 3; ++e) {
            const PolygonEdge edge{t, e};
            if (!surface.is_edge_on_border(edge)) {
                continue;
            }
            const index_t background_edge =
                surface.edges()
                    .edge_from_vertices(surface.polygon_edge_vertices(edge))
                    .value();
            const index_t edges[1] = {background_edge};
            builder.add_macro_edge_info(MeshEdge{skin_id, k}, edges);
            ++k;
        }
    }
}

void BackgroundSurfaceInserter::Impl::remove_border_tags() {
    absl::InlinedVector<index_t, 2> indices;
    for (index_t e = 0; e < surface.edges().nb_edges(); ++e) {
        indices.clear();
        for (const auto& macro_edge : background.macro_edges(e)) {
            if (macro_edge.component_id == skin_id) {
                indices.push_back(macro_edge.index);
            }
        }
        for (const index_t index : indices) {
            builder.remove_macro_edge_info(MeshEdge{skin_id, index}, e);
        }
    }
}

void BackgroundSurfaceInserter::Impl::refresh_element_search() {
    if (modifier.clean_stamp() != clean_stamp) {
        element_search.reinitialize_elements_tree(surface);
        clean_stamp = modifier.clean_stamp();
    }
}

BackgroundSurfaceInserter::BackgroundSurfaceInserter(
    ModifiableObject<BackgroundSurface> background, BackgroundSurfaceBuilder& builder)
    : impl_(std::make_unique<Impl>(background, builder)) {
    impl_->build_skin();
    impl_->skin_outdated = false;
    impl_->skin_id = uuid{};
    impl_->tag_border();
}

// A destructor must not throw: a failure while untagging or cleaning is logged, and
// the background keeps whatever state the failure left.
BackgroundSurfaceInserter::~BackgroundSurfaceInserter() {
    try {
        impl_->remove_border_tags();
        impl_->modifier.clean();
    } catch (const std::exception& e) {
        Logger::error(
            "[BackgroundSurfaceInserter::~BackgroundSurfaceInserter] ",
            "Failed to remove the border tags and clean the background: ", e.what());
    }
}

ElementInsertionInfo BackgroundSurfaceInserter::insert_point_set(
    const PointSet<2>& point_set) {
    std::vector<unsigned int> vertices(point_set.nb_vertices());
    std::iota(vertices.begin(), vertices.end(), 0U);
    return insert_point_set_points(point_set, vertices);
}

ElementInsertionInfo BackgroundSurfaceInserter::insert_point_set_points(
    const PointSet<2>& point_set, absl::Span<const unsigned int> vertices) {
    impl_->refresh_element_search();
    ElementInsertionInfo info;
    const std::string id = point_set.id().string();
    ProgressLogger progress{absl::StrCat("Insertion of point set ", id, ": "),
                            static_cast<index_t>(vertices.size())};
    index_t nb_outside = 0;
    index_t nb_invalid = 0;
    for (const index_t d : vertices) {
        const Point<2>& point = point_set.point(d);
        // A NaN or infinite point has no place in the plane: it must never reach the
        // mesh, nor be mistaken for a point merely outside it.
        if (!point.is_finite()) {
            info.add(ElementInsertionInfo::NOT_INSERTED, d);
            ++nb_invalid;
        } else if (const auto triangle = impl_->containing_triangle(point)) {
            const index_t vertex = impl_->insert_vertex(*triangle, point);
            impl_->builder.add_macro_vertex_info(MeshVertex{point_set.id(), d}, vertex);
        } else {
            info.add(ElementInsertionInfo::OUTSIDE, d);
            ++nb_outside;
        }
        progress.increment();
    }
    if (nb_outside != 0) {
        Logger::info("Insertion of point set ", id, ": ", nb_outside, " point",
                     nb_outside == 1 ? "" : "s", " outside (not inserted)");
    }
    if (nb_invalid != 0) {
        Logger::warn("[BackgroundSurfaceInserter::insert_point_set_points] Point set ",
                     id, ": ", nb_invalid, " point", nb_invalid == 1 ? "" : "s",
                     " with a NaN or infinite coordinate (not inserted)");
    }
    return info;
}

}  // namespace orvane::internal
