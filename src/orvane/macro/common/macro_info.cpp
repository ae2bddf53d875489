#include <orvane/macro/common/macro_info.hpp>

#include <orvane/macro/common/macro_store_detail.hpp>

namespace orvane::internal {

namespace {

constexpr std::string_view MACRO_VERTICES_NAME = "orvane_macro_vertices";
constexpr std::string_view MANDATORY_COMPONENTS_NAME =
    "orvane_macro_mandatory_components";
constexpr std::string_view MACRO_ELEMENTS_NAME = "orvane_macro_elements";

}  // namespace

struct MacroInfo::Impl {
    std::shared_ptr<VariableAttribute<MeshVertices>> vertices;
    std::shared_ptr<ConstantAttribute<MandatoryComponents>> mandatory;
    std::shared_ptr<VariableAttribute<MeshElements>> elements;

    bool initialized() const { return vertices != nullptr; }
};

MacroInfo::MacroInfo() : impl_(std::make_unique<Impl>()) {}
MacroInfo::MacroInfo(MacroInfo&& other) noexcept = default;
MacroInfo& MacroInfo::operator=(MacroInfo&& other) noexcept = default;
MacroInfo::~MacroInfo() = default;

bool MacroInfo::is_macro_info_data_base_initialized() const {
    return impl_ && impl_->initialized();
}

VariableAttribute<MeshVertices>& MacroInfo::vertices_attribute() const {
    if (!is_macro_info_data_base_initialized()) {
        macro_store::throw_store_exception(
            "[MacroInfo::macro_vertices] Macro information data base is not initialized");
    }
    return *impl_->vertices;
}

VariableAttribute<MeshElements>& MacroInfo::elements_attribute() const {
    if (!is_macro_info_data_base_initialized()) {
        macro_store::throw_store_exception(
            "[MacroInfo::macro_elements] Macro information data base is not initialized");
    }
    return *impl_->elements;
}

ConstantAttribute<MacroInfo::MandatoryComponents>& MacroInfo::mandatory_attribute()
    const {
    if (!is_macro_info_data_base_initialized()) {
        macro_store::throw_store_exception(
            "[MacroInfo::is_macro_info_mandatory] Macro information data base is not "
            "initialized");
    }
    return *impl_->mandatory;
}

const MeshVertices& MacroInfo::macro_vertices(index_t vertex) const {
    return vertices_attribute().value(vertex);
}

const MeshElements& MacroInfo::macro_elements(index_t triangle) const {
    return elements_attribute().value(triangle);
}

bool MacroInfo::is_macro_info_mandatory(const uuid& component) const {
    return mandatory_attribute().value().contains(component);
}

void MacroInfo::initialize_macro_info_data_base(AttributeManager& vertices,
                                                AttributeManager& polygons) {
    if (!impl_) {
        impl_ = std::make_unique<Impl>();
    }
    // Bind everything first, assign after: a conflict on any name leaves this store and
    // the managers as they were.
    macro_store::AttributeBinding binding;
    auto macro_vertices = binding.bind<VariableAttribute, MeshVertices>(
        vertices, MACRO_VERTICES_NAME, MeshVertices{},
        AttributeProperties{false, false, false});
    auto mandatory = binding.bind<ConstantAttribute, MandatoryComponents>(
        vertices, MANDATORY_COMPONENTS_NAME, MandatoryComponents{},
        AttributeProperties{false, false, false});
    // Assignable: the modifier copies a replaced triangle's values onto its pieces.
    auto macro_elements = binding.bind<VariableAttribute, MeshElements>(
        polygons, MACRO_ELEMENTS_NAME, MeshElements{},
        AttributeProperties{true, false, false});
    binding.dismiss();
    impl_->vertices = std::move(macro_vertices);
    impl_->mandatory = std::move(mandatory);
    impl_->elements = std::move(macro_elements);
}

void MacroInfo::clean_macro_info_data_base(AttributeManager& vertices,
                                           AttributeManager& polygons) {
    vertices.delete_attribute(MACRO_VERTICES_NAME);
    vertices.delete_attribute(MANDATORY_COMPONENTS_NAME);
    polygons.delete_attribute(MACRO_ELEMENTS_NAME);
    if (impl_) {
        *impl_ = Impl{};
    }
}

}  // namespace orvane::internal
