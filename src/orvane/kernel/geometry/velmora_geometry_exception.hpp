#pragma once

#include <orvane/kernel/basic/velmora_exception.hpp>

namespace orvane {

// Failures of the kernel's geometry (bad input to a construction, such as normalising
// a zero vector). Predicates and distances never throw: see their NaN policy.
class VelmoraGeometryException : public VelmoraException {
public:
    template <typename... Args>
    explicit VelmoraGeometryException(const Args&... message)
        : VelmoraException(1, "Velmora", "Geometry", nullptr, message...) {}
};

}  // namespace orvane
