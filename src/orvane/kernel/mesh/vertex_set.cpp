#include <orvane/kernel/mesh/vertex_set.hpp>

namespace orvane {

struct VertexSet::Impl {
    index_t nb_vertices{0};
    mutable AttributeManager vertex_attributes;
};

VertexSet::VertexSet() : impl_(std::make_unique<Impl>()) {}
VertexSet::~VertexSet() = default;
VertexSet::VertexSet(VertexSet&& other) noexcept
    : Identifier(std::move(other)), impl_(std::move(other.impl_)) {
    other.impl_ = std::make_unique<Impl>();
}
VertexSet& VertexSet::operator=(VertexSet&& other) noexcept {
    if (this != &other) {
        Identifier::operator=(std::move(other));
        impl_ = std::move(other.impl_);
        other.impl_ = std::make_unique<Impl>();
    }
    return *this;
}

index_t VertexSet::nb_vertices() const {
    return impl_->nb_vertices;
}

AttributeManager& VertexSet::vertex_attribute_manager() const {
    return impl_->vertex_attributes;
}

void VertexSet::copy_vertex_set(const VertexSet& from) {
    Identifier::operator=(from);
    impl_->nb_vertices = from.impl_->nb_vertices;
    impl_->vertex_attributes.copy(from.impl_->vertex_attributes);
}

index_t VertexSetBuilder::create_vertex_entries(index_t nb) {
    auto& impl = *vertex_set_.impl_;
    const index_t first = impl.nb_vertices;
    if (nb > NO_ID - 1 - first) {
        throw VelmoraBasicException(
            "[VertexSetBuilder::create_vertices] Too many vertices");
    }
    impl.nb_vertices = first + nb;
    impl.vertex_attributes.resize(impl.nb_vertices);
    return first;
}

void VertexSetBuilder::reserve_vertex_entries(index_t capacity) {
    vertex_set_.impl_->vertex_attributes.reserve(capacity);
}

void VertexSetBuilder::remap_vertex_entries(absl::Span<const index_t> old2new,
                                            index_t new_size) {
    auto& impl = *vertex_set_.impl_;
    impl.vertex_attributes.remap_elements(old2new, new_size);
    impl.nb_vertices = new_size;
}

}  // namespace orvane
