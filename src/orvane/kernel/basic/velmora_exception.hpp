#pragma once

#include <any>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

#include <absl/strings/str_cat.h>

#include <orvane/kernel/basic/str_cat.hpp>

namespace orvane {

// Base of every exception of the kernel, the toolkit and the library.
//
// The message is the concatenation of the message arguments (str_cat, so absl::StrCat
// rules: numbers in decimal, no separators). An exception may carry a type-erased payload
// (usually nullptr, or the Point<2> where a failure happened) and a chain of parent
// exceptions: the failures it replaced. Parents are stored by value as
// VelmoraException, so the chain keeps each parent's message, kind, project, library
// and payload, and stays cheap to copy when the runtime copies the exception.
class VelmoraException : public std::runtime_error {
public:
    template <typename... Args>
    VelmoraException(unsigned char kind, std::string project, std::string library,
                     std::any payload, const Args&... message)
        : std::runtime_error(str_cat(message...)),
          kind_(kind),
          project_(std::move(project)),
          library_(std::move(library)),
          payload_(std::move(payload)) {}

    VelmoraException(const VelmoraException&) = default;
    VelmoraException(VelmoraException&&) noexcept = default;
    VelmoraException& operator=(const VelmoraException&) = default;
    VelmoraException& operator=(VelmoraException&&) noexcept = default;
    ~VelmoraException() override = default;

    unsigned char kind() const { return kind_; }
    const std::string& project() const { return project_; }
    const std::string& library() const { return library_; }
    const std::any& payload() const { return payload_; }

    // Attaches `parent` as the direct parent; a previous parent is replaced.
    void set_parent(VelmoraException&& parent) {
        parent_ = std::make_shared<const VelmoraException>(std::move(parent));
    }
    // The direct parent, or nullptr. Walk `parent()->parent()` for the whole chain.
    const VelmoraException* parent() const { return parent_.get(); }
    bool has_parent() const { return parent_ != nullptr; }

    // Every message of the chain, this one first, one per line.
    std::string chain_string() const {
        std::string result = what();
        for (const auto* p = parent(); p != nullptr; p = p->parent()) {
            absl::StrAppend(&result, "\n  caused by: ", p->what());
        }
        return result;
    }

private:
    unsigned char kind_{0};
    std::string project_;
    std::string library_;
    std::any payload_;
    std::shared_ptr<const VelmoraException> parent_;
};

// Failures of the kernel's basic services (attributes and the like).
class VelmoraBasicException : public VelmoraException {
public:
    template <typename... Args>
    explicit VelmoraBasicException(const Args&... message)
        : VelmoraException(1, "Velmora", "Basic", nullptr, message...) {}
};

}  // namespace orvane
