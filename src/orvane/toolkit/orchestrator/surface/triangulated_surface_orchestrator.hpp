#pragma once

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/mesh/triangulated_surface.hpp>
#include <orvane/toolkit/modifier/surface/modifiable_surface.hpp>
#include <orvane/toolkit/modifier/surface/surface_edge.hpp>
#include <orvane/toolkit/modifier/surface/triangulated_surface_constraint_modifier.hpp>
#include <orvane/toolkit/modifier/surface/triangulated_surface_modifier.hpp>
#include <orvane/toolkit/orchestrator/common/orchestrator.hpp>

namespace orvane {

template <typename Object, typename T>
class ModifiableObjectOrchestrator;

// The queue engine over a surface and its modifier: concrete orchestrators read the
// surface and change it through the modifier. The pair refers to caller-owned objects,
// which must outlive the orchestrator.
template <typename T>
class ModifiableObjectOrchestrator<TriangulatedSurface<2>, T> : public Orchestrator<T> {
public:
    const ModifiableObject<TriangulatedSurface<2>>& modifiable_object() const {
        return modifiable_object_;
    }
    const TriangulatedSurface<2>& object() const { return modifiable_object_.object; }
    const TriangulatedSurfaceModifier<2>& modifier() const {
        return modifiable_object_.modifier;
    }

protected:
    explicit ModifiableObjectOrchestrator(
        ModifiableObject<TriangulatedSurface<2>> modifiable_object)
        : modifiable_object_(modifiable_object) {}
    ModifiableObjectOrchestrator(ModifiableObjectOrchestrator&&) = default;

    TriangulatedSurfaceModifier<2>& modifier() { return modifiable_object_.modifier; }

private:
    ModifiableObject<TriangulatedSurface<2>> modifiable_object_;
};

template <index_t dimension, typename T>
class TriangulatedSurfaceOrchestrator;

// The layer the toolkit's optimisers and decimator derive from: the local operations
// go through a constraint modifier (caller-owned, it must outlive the orchestrator),
// whose modifiable surface is the one below.
template <typename T>
class TriangulatedSurfaceOrchestrator<2, T>
    : public ModifiableObjectOrchestrator<TriangulatedSurface<2>, T> {
public:
    const TriangulatedSurfaceConstraintModifier<2>& constraint_modifier() const {
        return constraint_modifier_;
    }

protected:
    explicit TriangulatedSurfaceOrchestrator(
        TriangulatedSurfaceConstraintModifier<2>& constraint_modifier)
        : ModifiableObjectOrchestrator<TriangulatedSurface<2>, T>(
              constraint_modifier.modifiable_surface()),
          constraint_modifier_(constraint_modifier) {}
    TriangulatedSurfaceOrchestrator(TriangulatedSurfaceOrchestrator&&) = default;

    TriangulatedSurfaceConstraintModifier<2>& constraint_modifier() {
        return constraint_modifier_;
    }

private:
    TriangulatedSurfaceConstraintModifier<2>& constraint_modifier_;
};

extern template class ModifiableObjectOrchestrator<TriangulatedSurface<2>, unsigned int>;
extern template class ModifiableObjectOrchestrator<TriangulatedSurface<2>,
                                                   SurfaceEdge<2>>;
extern template class TriangulatedSurfaceOrchestrator<2, unsigned int>;
extern template class TriangulatedSurfaceOrchestrator<2, SurfaceEdge<2>>;

}  // namespace orvane
