#pragma once

#include <memory>
#include <vector>

#include <absl/types/span.h>

#include <orvane/kernel/basic/attribute_manager.hpp>
#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/basic/identifier.hpp>

namespace orvane {

// A set of vertices carrying named attributes: the common base of point sets, graphs
// and surfaces. The vertex attribute manager is reachable from a const object, because
// attaching data to a mesh (a background, a temporary scratch attribute) does not change
// the mesh itself.
//
// Every mesh is an Identifier: its uuid names the input component whose entities it
// holds (macro vertices, edges and elements of an inserted input). A clone keeps the id
// and the name.
class VertexSet : public Identifier {
public:
    ~VertexSet() override;
    VertexSet(const VertexSet&) = delete;
    VertexSet& operator=(const VertexSet&) = delete;

    index_t nb_vertices() const;
    AttributeManager& vertex_attribute_manager() const;

protected:
    VertexSet();
    VertexSet(VertexSet&& other) noexcept;
    VertexSet& operator=(VertexSet&& other) noexcept;

    // Copies the vertex count and every vertex attribute of `from`.
    void copy_vertex_set(const VertexSet& from);

private:
    friend class VertexSetBuilder;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Write access to the vertex count of a VertexSet; the mesh builders derive from it
// and keep their own per-vertex arrays in step.
class VertexSetBuilder {
public:
    virtual ~VertexSetBuilder() = default;

protected:
    explicit VertexSetBuilder(VertexSet& vertex_set) : vertex_set_(vertex_set) {}

    // Appends `nb` vertices (attributes get their default) and returns the first index.
    index_t create_vertex_entries(index_t nb);
    void reserve_vertex_entries(index_t capacity);
    // Renumbers the vertex attributes (element i becomes old2new[i], NO_ID removes it)
    // and sets the vertex count to `new_size`.
    void remap_vertex_entries(absl::Span<const index_t> old2new, index_t new_size);

    VertexSet& vertex_set_;
};

}  // namespace orvane
