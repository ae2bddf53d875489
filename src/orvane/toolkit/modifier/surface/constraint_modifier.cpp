#include <orvane/toolkit/modifier/surface/constraint_modifier.hpp>

#include <algorithm>
#include <utility>

namespace orvane {

namespace {
std::array<index_t, 2> sorted(index_t a, index_t b) {
    return a < b ? std::array<index_t, 2>{{a, b}} : std::array<index_t, 2>{{b, a}};
}
}  // namespace

std::vector<index_t> ConstraintModifier::ImmuableVertices::vertices() const {
    std::vector<index_t> result(vertices_.begin(), vertices_.end());
    std::sort(result.begin(), result.end());
    return result;
}

void ConstraintModifier::ForbiddenEdges::add(index_t vertex0, index_t vertex1) {
    edges_.insert(sorted(vertex0, vertex1));
}

void ConstraintModifier::ForbiddenEdges::remove(index_t vertex0, index_t vertex1) {
    edges_.erase(sorted(vertex0, vertex1));
}

bool ConstraintModifier::ForbiddenEdges::contains(index_t vertex0,
                                                  index_t vertex1) const {
    return edges_.contains(sorted(vertex0, vertex1));
}

std::vector<std::array<index_t, 2>> ConstraintModifier::ForbiddenEdges::edges() const {
    std::vector<std::array<index_t, 2>> result(edges_.begin(), edges_.end());
    std::sort(result.begin(), result.end());
    return result;
}

void ConstraintModifier::CommonConstraints::add_constraints(
    const CommonConstraints& other) {
    if (static_cast<std::uint8_t>(other.border_constraint) >
        static_cast<std::uint8_t>(border_constraint)) {
        border_constraint = other.border_constraint;
    }
    for (const index_t v : other.immuable_vertices.vertices())
        immuable_vertices.add(v);
    for (const auto& e : other.forbidden_edges.edges())
        forbidden_edges.add(e);
}

void ConstraintModifier::CommonConstraints::renumber_vertices(
    absl::Span<const index_t> old2new) {
    const auto follow = [old2new](index_t v) {
        return v < old2new.size() ? old2new[v] : NO_ID;
    };
    ImmuableVertices vertices;
    for (const index_t v : immuable_vertices.vertices()) {
        const index_t now = follow(v);
        if (now != NO_ID)
            vertices.add(now);
    }
    ForbiddenEdges edges;
    for (const auto& e : forbidden_edges.edges()) {
        const index_t v0 = follow(e[0]);
        const index_t v1 = follow(e[1]);
        if (v0 != NO_ID && v1 != NO_ID && v0 != v1)
            edges.add(v0, v1);
    }
    immuable_vertices = std::move(vertices);
    forbidden_edges = std::move(edges);
}

struct ConstraintModifier::Impl {
    explicit Impl(CommonConstraints constraints_in)
        : constraints(std::move(constraints_in)) {}
    CommonConstraints constraints;
};

ConstraintModifier::ConstraintModifier(CommonConstraints constraints)
    : impl_(std::make_unique<Impl>(std::move(constraints))) {}
ConstraintModifier::ConstraintModifier(ConstraintModifier&& other) noexcept = default;
ConstraintModifier& ConstraintModifier::operator=(ConstraintModifier&& other) noexcept =
    default;
ConstraintModifier::~ConstraintModifier() = default;

ConstraintModifier::CommonConstraints& ConstraintModifier::constraints() {
    return impl_->constraints;
}
const ConstraintModifier::CommonConstraints& ConstraintModifier::constraints() const {
    return impl_->constraints;
}

}  // namespace orvane
