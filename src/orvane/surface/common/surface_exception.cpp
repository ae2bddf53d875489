#include <orvane/surface/common/surface_exception.hpp>

namespace orvane {

// Out of line so that the vtables and type information of the family live in this
// library alone, and a catch in any other library matches them.
OrvaneBackgroundException::~OrvaneBackgroundException() = default;

OrvaneBackgroundSurfaceException::~OrvaneBackgroundSurfaceException() = default;

namespace internal {

OrvaneBackgroundSurfaceEpsilonOptimizerException::
    OrvaneBackgroundSurfaceEpsilonOptimizerException(VelmoraException&& parent)
    : OrvaneBackgroundSurfaceException(nullptr,
                                       "Failed to epsilon optimize the surface") {
    set_parent(std::move(parent));
}

OrvaneBackgroundSurfaceEpsilonOptimizerException::
    ~OrvaneBackgroundSurfaceEpsilonOptimizerException() = default;

VelmoraException exception_parent(std::exception_ptr error) {
    if (!error) {
        return OrvaneBackgroundSurfaceException{nullptr, "Unknown exception"};
    }
    try {
        std::rethrow_exception(std::move(error));
    } catch (VelmoraException& caught) {
        // The caught object belongs to the exception_ptr handed over to us, so moving
        // it out keeps its message, names, payload and chain without a copy.
        return std::move(caught);
    } catch (const std::exception& caught) {
        return OrvaneBackgroundSurfaceException{nullptr,
                                                "std exception: ", caught.what()};
    } catch (...) {
        return OrvaneBackgroundSurfaceException{nullptr, "Unknown exception"};
    }
}

}  // namespace internal

}  // namespace orvane
