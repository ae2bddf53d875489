#include <orvane/kernel/mesh/edged_curve.hpp>

#include <algorithm>

#include <orvane/kernel/basic/velmora_exception.hpp>

namespace orvane {

template <index_t dimension>
struct EdgedCurve<dimension>::Impl {
    std::vector<Point<dimension>> points;
};

template <index_t dimension>
EdgedCurve<dimension>::EdgedCurve() : impl_(std::make_unique<Impl>()) {}
template <index_t dimension>
EdgedCurve<dimension>::~EdgedCurve() = default;
template <index_t dimension>
EdgedCurve<dimension>::EdgedCurve(EdgedCurve&& other) noexcept
    : Graph(std::move(other)), impl_(std::move(other.impl_)) {
    other.impl_ = std::make_unique<Impl>();
}
template <index_t dimension>
EdgedCurve<dimension>& EdgedCurve<dimension>::operator=(EdgedCurve&& other) noexcept {
    if (this != &other) {
        Graph::operator=(std::move(other));
        impl_ = std::move(other.impl_);
        other.impl_ = std::make_unique<Impl>();
    }
    return *this;
}

template <index_t dimension>
std::unique_ptr<EdgedCurve<dimension>> EdgedCurve<dimension>::create() {
    return std::make_unique<EdgedCurve<dimension>>();
}

template <index_t dimension>
std::unique_ptr<EdgedCurve<dimension>> EdgedCurve<dimension>::clone() const {
    auto copy = std::make_unique<EdgedCurve<dimension>>();
    copy->copy_graph(*this);
    copy->impl_->points = impl_->points;
    return copy;
}

template <index_t dimension>
const Point<dimension>& EdgedCurve<dimension>::point(index_t vertex) const {
    if (vertex >= impl_->points.size()) {
        throw VelmoraBasicException("[EdgedCurve::point] Vertex ", vertex,
                                    " out of range (", impl_->points.size(),
                                    " vertices)");
    }
    return impl_->points[vertex];
}

template <index_t dimension>
Segment<dimension> EdgedCurve<dimension>::segment(index_t edge) const {
    const auto& v = edge_vertices(edge);
    return Segment<dimension>{impl_->points[v[0]], impl_->points[v[1]]};
}

template <index_t dimension>
double EdgedCurve<dimension>::edge_length(index_t edge) const {
    return segment(edge).length();
}

template <index_t dimension>
Point<dimension> EdgedCurve<dimension>::edge_barycenter(index_t edge) const {
    return segment(edge).barycenter();
}

template <index_t dimension>
BoundingBox<dimension> EdgedCurve<dimension>::bounding_box() const {
    BoundingBox<dimension> box;
    for (const auto& p : impl_->points)
        box.add_point(p);
    return box;
}

template <index_t dimension>
EdgedCurveBuilder<dimension>::EdgedCurveBuilder(EdgedCurve<dimension>& curve)
    : GraphBuilder(curve), curve_(curve) {}
template <index_t dimension>
EdgedCurveBuilder<dimension>::~EdgedCurveBuilder() = default;

template <index_t dimension>
std::unique_ptr<EdgedCurveBuilder<dimension>> EdgedCurveBuilder<dimension>::create(
    EdgedCurve<dimension>& curve) {
    return std::make_unique<EdgedCurveBuilder<dimension>>(curve);
}

template <index_t dimension>
index_t EdgedCurveBuilder<dimension>::create_point(const Point<dimension>& point) {
    const index_t v = create_vertex();
    curve_.impl_->points[v] = point;
    return v;
}

template <index_t dimension>
index_t EdgedCurveBuilder<dimension>::create_points(
    absl::Span<const Point<dimension>> points) {
    const index_t first = create_vertices(static_cast<index_t>(points.size()));
    std::copy(points.begin(), points.end(), curve_.impl_->points.begin() + first);
    return first;
}

template <index_t dimension>
void EdgedCurveBuilder<dimension>::set_point(index_t vertex,
                                             const Point<dimension>& point) {
    if (vertex >= curve_.impl_->points.size()) {
        throw VelmoraBasicException("[EdgedCurveBuilder::set_point] Vertex ", vertex,
                                    " out of range (", curve_.impl_->points.size(),
                                    " vertices)");
    }
    curve_.impl_->points[vertex] = point;
}

template <index_t dimension>
void EdgedCurveBuilder<dimension>::do_create_vertices(index_t first, index_t nb) {
    curve_.impl_->points.resize(first + nb);
}

template <index_t dimension>
void EdgedCurveBuilder<dimension>::do_remap_vertices(absl::Span<const index_t> old2new,
                                                     index_t new_size) {
    auto& points = curve_.impl_->points;
    std::vector<Point<dimension>> remapped(new_size);
    for (std::size_t v = 0; v < old2new.size(); ++v) {
        if (old2new[v] != NO_ID)
            remapped[old2new[v]] = points[v];
    }
    points = std::move(remapped);
}

template class EdgedCurve<2>;
template class EdgedCurveBuilder<2>;

}  // namespace orvane
