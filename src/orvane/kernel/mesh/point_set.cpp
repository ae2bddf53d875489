#include <orvane/kernel/mesh/point_set.hpp>

#include <algorithm>

#include <orvane/kernel/basic/velmora_exception.hpp>

namespace orvane {

template <index_t dimension>
struct PointSet<dimension>::Impl {
    std::vector<Point<dimension>> points;
};

template <index_t dimension>
PointSet<dimension>::PointSet() : impl_(std::make_unique<Impl>()) {}
template <index_t dimension>
PointSet<dimension>::~PointSet() = default;
template <index_t dimension>
PointSet<dimension>::PointSet(PointSet&& other) noexcept
    : VertexSet(std::move(other)), impl_(std::move(other.impl_)) {
    other.impl_ = std::make_unique<Impl>();
}
template <index_t dimension>
PointSet<dimension>& PointSet<dimension>::operator=(PointSet&& other) noexcept {
    if (this != &other) {
        VertexSet::operator=(std::move(other));
        impl_ = std::move(other.impl_);
        other.impl_ = std::make_unique<Impl>();
    }
    return *this;
}

template <index_t dimension>
std::unique_ptr<PointSet<dimension>> PointSet<dimension>::create() {
    return std::make_unique<PointSet<dimension>>();
}

template <index_t dimension>
std::unique_ptr<PointSet<dimension>> PointSet<dimension>::clone() const {
    auto copy = std::make_unique<PointSet<dimension>>();
    copy->copy_vertex_set(*this);
    copy->impl_->points = impl_->points;
    return copy;
}

template <index_t dimension>
const Point<dimension>& PointSet<dimension>::point(index_t vertex) const {
    if (vertex >= impl_->points.size()) {
        throw VelmoraBasicException("[PointSet::point] Vertex ", vertex,
                                    " out of range (", impl_->points.size(),
                                    " vertices)");
    }
    return impl_->points[vertex];
}

template <index_t dimension>
BoundingBox<dimension> PointSet<dimension>::bounding_box() const {
    BoundingBox<dimension> box;
    for (const auto& p : impl_->points)
        box.add_point(p);
    return box;
}

template <index_t dimension>
PointSetBuilder<dimension>::PointSetBuilder(PointSet<dimension>& point_set)
    : VertexSetBuilder(point_set), point_set_(point_set) {}
template <index_t dimension>
PointSetBuilder<dimension>::~PointSetBuilder() = default;

template <index_t dimension>
std::unique_ptr<PointSetBuilder<dimension>> PointSetBuilder<dimension>::create(
    PointSet<dimension>& point_set) {
    return std::make_unique<PointSetBuilder<dimension>>(point_set);
}

template <index_t dimension>
index_t PointSetBuilder<dimension>::create_point(const Point<dimension>& point) {
    return create_points(absl::MakeConstSpan(&point, 1));
}

template <index_t dimension>
index_t PointSetBuilder<dimension>::create_points(
    absl::Span<const Point<dimension>> points) {
    const index_t first = create_vertex_entries(static_cast<index_t>(points.size()));
    point_set_.impl_->points.insert(point_set_.impl_->points.end(), points.begin(),
                                    points.end());
    return first;
}

template <index_t dimension>
void PointSetBuilder<dimension>::set_point(index_t vertex,
                                           const Point<dimension>& point) {
    if (vertex >= point_set_.impl_->points.size()) {
        throw VelmoraBasicException("[PointSetBuilder::set_point] Vertex ", vertex,
                                    " out of range (", point_set_.impl_->points.size(),
                                    " vertices)");
    }
    point_set_.impl_->points[vertex] = point;
}

template <index_t dimension>
std::vector<index_t> PointSetBuilder<dimension>::delete_vertices(
    const std::vector<bool>& to_delete) {
    auto& points = point_set_.impl_->points;
    if (to_delete.size() != points.size()) {
        throw VelmoraBasicException("[PointSetBuilder::delete_vertices] Mask has ",
                                    to_delete.size(), " entries for ", points.size(),
                                    " vertices");
    }
    std::vector<index_t> old2new(points.size(), NO_ID);
    index_t nb_kept = 0;
    for (index_t v = 0; v < points.size(); ++v) {
        if (!to_delete[v])
            old2new[v] = nb_kept++;
    }
    remap_vertex_entries(old2new, nb_kept);
    for (index_t v = 0; v < points.size(); ++v) {
        if (old2new[v] != NO_ID)
            points[old2new[v]] = points[v];
    }
    points.resize(nb_kept);
    return old2new;
}

template class PointSet<2>;
template class PointSetBuilder<2>;

}  // namespace orvane
