#pragma once

#include <any>
#include <exception>
#include <string>
#include <utility>

#include <orvane/kernel/basic/velmora_exception.hpp>

namespace orvane {

// Base of the exceptions of the background libraries; not thrown directly.
// Kind 1, the given project and library names, the payload, and a message made of the
// message arguments concatenated in order, nothing else.
class OrvaneBackgroundException : public VelmoraException {
public:
    template <typename Message, typename... Messages>
    OrvaneBackgroundException(std::string project, std::string library, std::any payload,
                              const Message& message, const Messages&... messages)
        : VelmoraException(1, std::move(project), std::move(library), std::move(payload),
                           message, messages...) {}

    OrvaneBackgroundException(const OrvaneBackgroundException&) = default;
    OrvaneBackgroundException(OrvaneBackgroundException&&) noexcept = default;
    OrvaneBackgroundException& operator=(const OrvaneBackgroundException&) = default;
    OrvaneBackgroundException& operator=(OrvaneBackgroundException&&) noexcept = default;
    ~OrvaneBackgroundException() override;
};

// The failures of the background surface library (project "OrvaneBackground", library
// "Surface"). The message starts with the class and operation in square brackets; the
// payload is nullptr or the Point<2> where the failure happened.
class OrvaneBackgroundSurfaceException : public OrvaneBackgroundException {
public:
    template <typename Message, typename... Messages>
    OrvaneBackgroundSurfaceException(std::any payload, const Message& message,
                                     const Messages&... messages)
        : OrvaneBackgroundException("OrvaneBackground", "Surface", std::move(payload),
                                    message, messages...) {}

    OrvaneBackgroundSurfaceException(const OrvaneBackgroundSurfaceException&) = default;
    OrvaneBackgroundSurfaceException(OrvaneBackgroundSurfaceException&&) noexcept =
        default;
    OrvaneBackgroundSurfaceException& operator=(const OrvaneBackgroundSurfaceException&) =
        default;
    OrvaneBackgroundSurfaceException& operator=(
        OrvaneBackgroundSurfaceException&&) noexcept = default;
    ~OrvaneBackgroundSurfaceException() override;
};

namespace internal {

// The only exception that leaves epsilon optimisation: "Failed to epsilon optimize the
// surface", null payload, with the failure it replaces as its parent.
class OrvaneBackgroundSurfaceEpsilonOptimizerException
    : public OrvaneBackgroundSurfaceException {
public:
    explicit OrvaneBackgroundSurfaceEpsilonOptimizerException(VelmoraException&& parent);

    OrvaneBackgroundSurfaceEpsilonOptimizerException(
        const OrvaneBackgroundSurfaceEpsilonOptimizerException&) = default;
    OrvaneBackgroundSurfaceEpsilonOptimizerException(
        OrvaneBackgroundSurfaceEpsilonOptimizerException&&) noexcept = default;
    OrvaneBackgroundSurfaceEpsilonOptimizerException& operator=(
        const OrvaneBackgroundSurfaceEpsilonOptimizerException&) = default;
    OrvaneBackgroundSurfaceEpsilonOptimizerException& operator=(
        OrvaneBackgroundSurfaceEpsilonOptimizerException&&) noexcept = default;
    ~OrvaneBackgroundSurfaceEpsilonOptimizerException() override;
};

// The parent an operation that promises a single exception type gives to its own
// exception, from the failure it caught:
// - a VelmoraException (of any subclass) is taken out of `error` and returned;
// - another standard exception gives a new OrvaneBackgroundSurfaceException with the
//   message "std exception: " followed by its what();
// - anything else (or no exception at all) gives a new
//   OrvaneBackgroundSurfaceException with the message "Unknown exception".
// Payloads are nullptr for the new exceptions.
VelmoraException exception_parent(std::exception_ptr error);

// The exception an operation throws in place of the failure it caught, built from the
// parent above. Use it from a catch-all block:
//     catch (...) {
//         throw wrap_exception<OrvaneBackgroundSurfaceEpsilonOptimizerException>(
//             std::current_exception());
//     }
// `Wrapper` must be constructible from `VelmoraException&&` (its parent).
template <typename Wrapper>
Wrapper wrap_exception(std::exception_ptr error) {
    return Wrapper{exception_parent(std::move(error))};
}

}  // namespace internal

}  // namespace orvane
