#pragma once

#include <memory>

#include <absl/types/span.h>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/basic/uuid.hpp>
#include <orvane/macro/common/macro_entities.hpp>
#include <orvane/toolkit/modifier/common/mapping.hpp>

namespace orvane::internal {

class MacroInfo;

// Write access to a MacroInfo store: macro vertices of vertices, macro elements of
// triangles, mandatory components. It refers to the store and owns nothing; the store
// must outlive it.
//
// Updates follow one rule: the element after an operation (`first`) receives, appended
// in order and without duplicates, what each element it replaces carries; a NO_ID
// source is ignored, and the sources keep their own lists (an operation's record may
// still name them).
class MacroInfoBuilder {
public:
    explicit MacroInfoBuilder(MacroInfo& info);
    MacroInfoBuilder(MacroInfoBuilder&& other) noexcept;
    MacroInfoBuilder(const MacroInfoBuilder&) = delete;
    MacroInfoBuilder& operator=(const MacroInfoBuilder&) = delete;
    virtual ~MacroInfoBuilder();

    // Records `macro_vertex` at background vertex `vertex` (nothing if already there).
    void add_macro_vertex_info(const MeshVertex& macro_vertex, index_t vertex);
    // Forgets `macro_vertex` at `vertex` (nothing if it is not there).
    void remove_macro_vertex_info(const MeshVertex& macro_vertex, index_t vertex);
    // Records `macro_element` on background triangle `triangle`.
    void add_macro_element_info(const MeshElement& macro_element, index_t triangle);
    void remove_macro_element_info(const MeshElement& macro_element, index_t triangle);
    // Makes the entities of `component` mandatory (see MacroInfo).
    void add_mandatory_macro_info(const uuid& component);
    void remove_mandatory_macro_info(const uuid& component);

    // Triangle `mapping.first` takes over the macro elements of `mapping.second`.
    void update_element(const Mapping<index_t>& mapping);
    // Each mapping goes through the virtual update_vertex, in order, so that a derived
    // builder updating more per-vertex data sees every one of them.
    void update_vertices(absl::Span<const MultiMapping<index_t>> mappings);
    // Vertex `mapping.first` takes over the macro vertices of every vertex of
    // `mapping.second`.
    virtual void update_vertex(const MultiMapping<index_t>& mapping);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace orvane::internal
