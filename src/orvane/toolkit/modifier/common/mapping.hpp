#pragma once

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

#include <absl/container/flat_hash_map.h>
#include <absl/container/inlined_vector.h>
#include <absl/strings/str_cat.h>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/toolkit/modifier/common/modifier_common_exception.hpp>

namespace orvane {

// One renumbering step of a mesh operation: element `first` (an index after the
// operation) takes over what element `second` (an index before it, or NO_ID when
// `first` continues nothing) carried.
template <typename T>
struct Mapping {
    T first{};
    T second{};

    bool operator==(const Mapping& other) const {
        return first == other.first && second == other.second;
    }
    bool operator!=(const Mapping& other) const { return !(*this == other); }
};

// Element `first` after an operation replaces every element of `second` (a merge, as
// in an edge collapse). Most merges join two or three elements, hence the inline size.
template <typename T>
struct MultiMapping {
    T first{};
    absl::InlinedVector<T, 3> second;

    bool operator==(const MultiMapping& other) const {
        return first == other.first && second == other.second;
    }
    bool operator!=(const MultiMapping& other) const { return !(*this == other); }
};

// A one-to-one table from inputs (T1) to outputs (T2) that remembers the order in which
// the pairs were recorded: iteration visits them in that order, which is the order the
// consumers replay them in (a vertex replacement updates edges pair by pair).
//
// Both directions are answered in constant time. A pair that would break the one-to-one
// property (an input already mapped elsewhere, or an output already reached from
// another input) is refused with an exception, so a table never silently loses a pair.
template <typename T1, typename T2>
class BijectiveMapping {
public:
    using value_type = std::pair<T1, T2>;
    using const_iterator = typename std::vector<value_type>::const_iterator;

    BijectiveMapping() = default;

    // Records input -> output. Recording a pair that is already present does nothing.
    void map(const T1& input, const T2& output) {
        const auto input_it = input_positions_.find(input);
        if (input_it != input_positions_.end()) {
            if (pairs_[input_it->second].second == output) {
                return;
            }
            throw OrvaneCommonModifierCommonException(
                nullptr,
                "[BijectiveMapping::map] Input is already mapped to "
                "another output");
        }
        if (outputs_.contains(output)) {
            throw OrvaneCommonModifierCommonException(
                nullptr,
                "[BijectiveMapping::map] Output is already reached "
                "from another input");
        }
        input_positions_.emplace(input, pairs_.size());
        outputs_.emplace(output, input);
        pairs_.emplace_back(input, output);
    }

    bool has_mapping_input(const T1& input) const {
        return input_positions_.contains(input);
    }
    bool has_mapping_output(const T2& output) const { return outputs_.contains(output); }

    // The output of `input`, or nothing when `input` is not mapped.
    std::optional<T2> in2out(const T1& input) const {
        const auto it = input_positions_.find(input);
        if (it == input_positions_.end()) {
            return std::nullopt;
        }
        return pairs_[it->second].second;
    }
    // The input that reaches `output`, or nothing.
    std::optional<T1> out2in(const T2& output) const {
        const auto it = outputs_.find(output);
        if (it == outputs_.end()) {
            return std::nullopt;
        }
        return it->second;
    }

    std::size_t size() const { return pairs_.size(); }
    bool empty() const { return pairs_.empty(); }
    void reserve(std::size_t capacity) {
        pairs_.reserve(capacity);
        input_positions_.reserve(capacity);
        outputs_.reserve(capacity);
    }

    // The pairs (input, output) in recording order.
    const std::vector<value_type>& pairs() const { return pairs_; }
    const_iterator begin() const { return pairs_.begin(); }
    const_iterator end() const { return pairs_.end(); }

private:
    std::vector<value_type> pairs_;
    absl::flat_hash_map<T1, std::size_t> input_positions_;
    absl::flat_hash_map<T2, T1> outputs_;
};

// Names the modifier type of an editable object: each modifier header specialises it,
// e.g. `template <> struct ModifierOf<BackgroundSurface> { using type =
// BackgroundSurfaceModifier; };`. Declaring the pair needs only forward declarations.
template <typename T>
struct ModifierOf;

// An object together with the modifier that edits it, passed by value to the
// algorithms that need both. It refers to both and owns neither; the caller keeps them
// alive for as long as the pair is used.
template <typename T>
struct ModifiableObject {
    using Modifier = typename ModifierOf<T>::type;

    ModifiableObject(T& object_in, Modifier& modifier_in)
        : object(object_in), modifier(modifier_in) {}

    T& object;
    Modifier& modifier;
};

}  // namespace orvane
