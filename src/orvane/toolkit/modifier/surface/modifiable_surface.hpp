#pragma once

#include <orvane/kernel/mesh/triangulated_surface.hpp>
#include <orvane/toolkit/modifier/common/mapping.hpp>
#include <orvane/toolkit/modifier/surface/triangulated_surface_modifier.hpp>

namespace orvane {

template <>
struct ModifierOf<TriangulatedSurface<2>> {
    using type = TriangulatedSurfaceModifier<2>;
};

// A triangulated surface with the modifier that edits it. The surface is held read-only:
// every change goes through the modifier (and its builder), so that the activity
// flags, the vertex forwarding and the records stay in step with the mesh. The
// background hands out its surface read-only, and this pair is what the constraint
// modifier and the orchestrators are built over.
template <>
struct ModifiableObject<TriangulatedSurface<2>> {
    using Modifier = TriangulatedSurfaceModifier<2>;

    ModifiableObject(const TriangulatedSurface<2>& object_in, Modifier& modifier_in)
        : object(object_in), modifier(modifier_in) {}
    // The modifier's own surface.
    explicit ModifiableObject(Modifier& modifier_in)
        : object(modifier_in.surface()), modifier(modifier_in) {}

    const TriangulatedSurface<2>& object;
    Modifier& modifier;
};

}  // namespace orvane
