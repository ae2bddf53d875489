#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <utility>

#include <absl/container/inlined_vector.h>
#include <absl/strings/str_cat.h>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/basic/uuid.hpp>

// Input entities as the background sees them: which component (the input point set,
// curve or surface, by its uuid) and which of its vertices, edges or triangles. Two
// entities are the same when both the component and the index are the same. The three
// kinds are distinct types (with the same fields) so that a vertex list can never
// receive an edge. Aggregates: `MeshEdge{curve.id(), edge}`.

namespace orvane {

struct MeshVertex {
    uuid component_id;
    index_t index{NO_ID};

    bool operator==(const MeshVertex& other) const {
        return index == other.index && component_id == other.component_id;
    }
    bool operator!=(const MeshVertex& other) const { return !(*this == other); }

    template <typename H>
    friend H AbslHashValue(H state, const MeshVertex& entity) {
        return H::combine(std::move(state), entity.component_id, entity.index);
    }

    // "<uuid>:<index>", for messages and logs.
    std::string string() const { return absl::StrCat(component_id.string(), ":", index); }
};

struct MeshEdge {
    uuid component_id;
    index_t index{NO_ID};

    bool operator==(const MeshEdge& other) const {
        return index == other.index && component_id == other.component_id;
    }
    bool operator!=(const MeshEdge& other) const { return !(*this == other); }

    template <typename H>
    friend H AbslHashValue(H state, const MeshEdge& entity) {
        return H::combine(std::move(state), entity.component_id, entity.index);
    }

    std::string string() const { return absl::StrCat(component_id.string(), ":", index); }
};

struct MeshElement {
    uuid component_id;
    index_t index{NO_ID};

    bool operator==(const MeshElement& other) const {
        return index == other.index && component_id == other.component_id;
    }
    bool operator!=(const MeshElement& other) const { return !(*this == other); }

    template <typename H>
    friend H AbslHashValue(H state, const MeshElement& entity) {
        return H::combine(std::move(state), entity.component_id, entity.index);
    }

    std::string string() const { return absl::StrCat(component_id.string(), ":", index); }
};

// The per-element lists of the macro-information store. Most background elements carry
// none or one entity (a vertex where two input curves cross carries two incident macro
// edges), so a small inline buffer avoids a heap allocation per element.
using MeshVertices = absl::InlinedVector<MeshVertex, 1>;
using MeshEdges = absl::InlinedVector<MeshEdge, 2>;
using MeshElements = absl::InlinedVector<MeshElement, 1>;

}  // namespace orvane

namespace std {
template <>
struct hash<orvane::MeshVertex> {
    std::size_t operator()(const orvane::MeshVertex& entity) const noexcept {
        return std::hash<orvane::uuid>{}(entity.component_id) ^
               (static_cast<std::size_t>(entity.index) * 0x9E3779B97F4A7C15ULL);
    }
};
template <>
struct hash<orvane::MeshEdge> {
    std::size_t operator()(const orvane::MeshEdge& entity) const noexcept {
        return std::hash<orvane::uuid>{}(entity.component_id) ^
               (static_cast<std::size_t>(entity.index) * 0x9E3779B97F4A7C15ULL);
    }
};
template <>
struct hash<orvane::MeshElement> {
    std::size_t operator()(const orvane::MeshElement& entity) const noexcept {
        return std::hash<orvane::uuid>{}(entity.component_id) ^
               (static_cast<std::size_t>(entity.index) * 0x9E3779B97F4A7C15ULL);
    }
};
}  // namespace std
