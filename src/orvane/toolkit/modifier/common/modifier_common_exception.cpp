#include <orvane/toolkit/modifier/common/modifier_common_exception.hpp>

namespace orvane {

// Out of line so that the vtables and type information live in this library alone.
OrvaneCommonException::~OrvaneCommonException() = default;

OrvaneCommonModifierCommonException::~OrvaneCommonModifierCommonException() = default;

}  // namespace orvane
