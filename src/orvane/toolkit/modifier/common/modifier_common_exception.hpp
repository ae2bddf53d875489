#pragma once

#include <any>
#include <string>
#include <utility>

#include <orvane/kernel/basic/velmora_exception.hpp>

namespace orvane {

// Base of the toolkit's exceptions: kind 1, the given project and library names, the
// payload and a message made of the message arguments concatenated in order.
class OrvaneCommonException : public VelmoraException {
public:
    template <typename Message, typename... Messages>
    OrvaneCommonException(std::string project, std::string library, std::any payload,
                          const Message& message, const Messages&... messages)
        : VelmoraException(1, std::move(project), std::move(library), std::move(payload),
                           message, messages...) {}

    OrvaneCommonException(const OrvaneCommonException&) = default;
    OrvaneCommonException(OrvaneCommonException&&) noexcept = default;
    OrvaneCommonException& operator=(const OrvaneCommonException&) = default;
    OrvaneCommonException& operator=(OrvaneCommonException&&) noexcept = default;
    ~OrvaneCommonException() override;
};

// Failures of the toolkit's common modifier library (project "OrvaneCommon", library
// "ModifierCommon"); the base of the orchestrator's exception.
class OrvaneCommonModifierCommonException : public OrvaneCommonException {
public:
    template <typename Message, typename... Messages>
    OrvaneCommonModifierCommonException(std::any payload, const Message& message,
                                        const Messages&... messages)
        : OrvaneCommonException("OrvaneCommon", "ModifierCommon", std::move(payload),
                                message, messages...) {}

    OrvaneCommonModifierCommonException(const OrvaneCommonModifierCommonException&) =
        default;
    OrvaneCommonModifierCommonException(OrvaneCommonModifierCommonException&&) noexcept =
        default;
    OrvaneCommonModifierCommonException& operator=(
        const OrvaneCommonModifierCommonException&) = default;
    OrvaneCommonModifierCommonException& operator=(
        OrvaneCommonModifierCommonException&&) noexcept = default;
    ~OrvaneCommonModifierCommonException() override;
};

}  // namespace orvane
