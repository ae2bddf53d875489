#include <orvane/macro/common/macro_info_builder.hpp>

#include <orvane/macro/common/macro_info.hpp>
#include <orvane/macro/common/macro_store_detail.hpp>

namespace orvane::internal {

struct MacroInfoBuilder::Impl {
    explicit Impl(MacroInfo& info_in) : info(info_in) {}

    // A mapping must name an existing element after the operation, whatever its
    // sources carry.
    template <typename Attribute>
    static void check(const Attribute& attribute, index_t element,
                      const char* operation) {
        if (element >= attribute.nb_elements()) {
            macro_store::throw_store_exception("[MacroInfoBuilder::", operation,
                                               "] Element ", element, " out of range (",
                                               attribute.nb_elements(), " elements)");
        }
    }

    MacroInfo& info;
};

MacroInfoBuilder::MacroInfoBuilder(MacroInfo& info)
    : impl_(std::make_unique<Impl>(info)) {}
MacroInfoBuilder::MacroInfoBuilder(MacroInfoBuilder&& other) noexcept = default;
MacroInfoBuilder::~MacroInfoBuilder() = default;

void MacroInfoBuilder::add_macro_vertex_info(const MeshVertex& macro_vertex,
                                             index_t vertex) {
    impl_->info.vertices_attribute().modify_value(
        vertex, [&](MeshVertices& list) { macro_store::add_unique(list, macro_vertex); });
}

void MacroInfoBuilder::remove_macro_vertex_info(const MeshVertex& macro_vertex,
                                                index_t vertex) {
    impl_->info.vertices_attribute().modify_value(vertex, [&](MeshVertices& list) {
        macro_store::remove_entity(list, macro_vertex);
    });
}

void MacroInfoBuilder::add_macro_element_info(const MeshElement& macro_element,
                                              index_t triangle) {
    impl_->info.elements_attribute().modify_value(triangle, [&](MeshElements& list) {
        macro_store::add_unique(list, macro_element);
    });
}

void MacroInfoBuilder::remove_macro_element_info(const MeshElement& macro_element,
                                                 index_t triangle) {
    impl_->info.elements_attribute().modify_value(triangle, [&](MeshElements& list) {
        macro_store::remove_entity(list, macro_element);
    });
}

void MacroInfoBuilder::add_mandatory_macro_info(const uuid& component) {
    impl_->info.mandatory_attribute().modify_value(
        [&](MacroInfo::MandatoryComponents& components) {
            components.insert(component);
        });
}

void MacroInfoBuilder::remove_mandatory_macro_info(const uuid& component) {
    impl_->info.mandatory_attribute().modify_value(
        [&](MacroInfo::MandatoryComponents& components) { components.erase(component); });
}

void MacroInfoBuilder::update_element(const Mapping<index_t>& mapping) {
    Impl::check(impl_->info.elements_attribute(), mapping.first, "update_element");
    if (mapping.second == NO_ID || mapping.second == mapping.first) {
        return;
    }
    auto& attribute = impl_->info.elements_attribute();
    // A copy: the source may be any element of the same storage.
    const MeshElements source = attribute.value(mapping.second);
    attribute.modify_value(mapping.first, [&](MeshElements& list) {
        macro_store::merge_unique(list, source);
    });
}

void MacroInfoBuilder::update_vertices(absl::Span<const MultiMapping<index_t>> mappings) {
    for (const auto& mapping : mappings) {
        update_vertex(mapping);
    }
}

void MacroInfoBuilder::update_vertex(const MultiMapping<index_t>& mapping) {
    auto& attribute = impl_->info.vertices_attribute();
    Impl::check(attribute, mapping.first, "update_vertex");
    for (const index_t source_vertex : mapping.second) {
        if (source_vertex == NO_ID || source_vertex == mapping.first) {
            continue;
        }
        const MeshVertices source = attribute.value(source_vertex);
        attribute.modify_value(mapping.first, [&](MeshVertices& list) {
            macro_store::merge_unique(list, source);
        });
    }
}

}  // namespace orvane::internal
