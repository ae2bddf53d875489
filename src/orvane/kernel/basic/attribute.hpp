#pragma once

// Typed per-element attribute storages. An attribute holds one value per element of a
// mesh (vertex, edge, polygon); the AttributeManager that owns it keeps its element
// count in step with the mesh and renumbers the values when the mesh is compacted.
//
// Three storages:
// - ConstantAttribute<T>: one value for every element;
// - VariableAttribute<T>: dense, one stored value per element;
// - SparseAttribute<T>: a hash map of the elements whose value was written, every other
//   element reads the default value.

#include <cmath>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeindex>
#include <typeinfo>
#include <utility>
#include <vector>

#include <absl/container/flat_hash_map.h>
#include <absl/types/span.h>

#include <orvane/kernel/basic/common.hpp>
#include <orvane/kernel/basic/velmora_exception.hpp>

namespace orvane {

// What happens to an attribute's values when the mesh changes.
// - assignable: `AttributeManager::assign_attribute_value(from, to)` copies the value of
//   element `from` onto element `to` (used when a new element replaces an old one).
// - interpolable: `AttributeManager::interpolate_attribute_value(...)` gives a new
// element
//   the weighted sum of the values of the elements it was made from. Arithmetic types and
//   types with `T * double` and `T + T` (points, vectors) are summed; for any other type
//   the value of the source with the largest weight is copied.
// - transferable: the values follow elements transferred from one mesh to another.
//   Clones copy every attribute whatever its flags, and keep the flags.
// Aggregate order matters: `AttributeProperties{assignable, interpolable, transferable}`.
struct AttributeProperties {
    bool assignable{false};
    bool interpolable{false};
    bool transferable{false};

    bool operator==(const AttributeProperties& o) const {
        return assignable == o.assignable && interpolable == o.interpolable &&
               transferable == o.transferable;
    }
    bool operator!=(const AttributeProperties& o) const { return !(*this == o); }
};

class AttributeManager;

// Untyped view of an attribute: what the manager needs to keep it in step with the
// elements. The element operations are reached through the manager, which applies them
// to all its attributes at once.
class AttributeBase {
public:
    AttributeBase(const AttributeBase&) = delete;
    AttributeBase& operator=(const AttributeBase&) = delete;
    virtual ~AttributeBase() = default;

    const std::string& name() const { return name_; }
    const AttributeProperties& properties() const { return properties_; }
    void set_properties(const AttributeProperties& properties) {
        properties_ = properties;
    }
    index_t nb_elements() const { return nb_elements_; }

    // The stored value type, and the storage name ("ConstantAttribute",
    // "VariableAttribute", "SparseAttribute").
    virtual std::type_index value_type() const = 0;
    virtual std::string_view storage_name() const = 0;

    // Bytes this attribute allocates for its values (capacity of its containers; heap
    // memory owned by the values themselves is not counted).
    virtual std::size_t allocated_bytes() const = 0;

protected:
    AttributeBase(std::string name, AttributeProperties properties, index_t nb_elements)
        : name_(std::move(name)), properties_(properties), nb_elements_(nb_elements) {}

    friend class AttributeManager;

    // New elements (when growing) read the default value; shrinking drops the values of
    // the elements at or after `nb_elements`.
    virtual void resize(index_t nb_elements) = 0;
    virtual void reserve(index_t capacity) = 0;
    // Unconditional copies: the manager applies the property flags.
    virtual void copy_value(index_t from, index_t to) = 0;
    virtual void interpolate_value(absl::Span<const index_t> from,
                                   absl::Span<const double> weights, index_t to) = 0;
    // Element i moves to old2new[i]; NO_ID drops it. `new_size` elements remain, and
    // every index below it receives exactly one old element (the manager checks).
    virtual void remap(absl::Span<const index_t> old2new, index_t new_size) = 0;
    virtual std::shared_ptr<AttributeBase> clone() const = 0;

    void set_nb_elements(index_t nb_elements) { nb_elements_ = nb_elements; }

private:
    std::string name_;
    AttributeProperties properties_;
    index_t nb_elements_{0};
};

namespace internal {

template <typename T, typename = void>
struct is_linear_combinable : std::false_type {};
template <typename T>
struct is_linear_combinable<T, std::void_t<decltype(std::declval<const T&>() * 1.0 +
                                                    std::declval<const T&>() * 1.0)>>
    : std::is_convertible<
          decltype(std::declval<const T&>() * 1.0 + std::declval<const T&>() * 1.0), T> {
};

// Weighted combination of values read through `value_of(index)`. `from` is not empty
// and has as many entries as `weights`.
template <typename T, typename ValueOf>
T interpolate(absl::Span<const index_t> from, absl::Span<const double> weights,
              const ValueOf& value_of) {
    if constexpr (std::is_arithmetic_v<T> && !std::is_same_v<T, bool>) {
        double sum = 0;
        for (std::size_t i = 0; i < from.size(); ++i) {
            sum += static_cast<double>(value_of(from[i])) * weights[i];
        }
        if constexpr (std::is_integral_v<T>) {
            return static_cast<T>(std::llround(sum));
        } else {
            return static_cast<T>(sum);
        }
    } else if constexpr (is_linear_combinable<T>::value && !std::is_same_v<T, bool>) {
        T sum = value_of(from[0]) * weights[0];
        for (std::size_t i = 1; i < from.size(); ++i) {
            sum = sum + value_of(from[i]) * weights[i];
        }
        return sum;
    } else {
        std::size_t best = 0;
        for (std::size_t i = 1; i < from.size(); ++i) {
            if (weights[i] > weights[best])
                best = i;
        }
        return value_of(from[best]);
    }
}

void check_interpolation_arguments(absl::Span<const index_t> from,
                                   absl::Span<const double> weights, index_t to,
                                   index_t nb_elements);

}  // namespace internal

// Read access to the values of an attribute of value type T, whatever its storage.
template <typename T>
class ReadOnlyAttribute : public AttributeBase {
public:
    virtual const T& value(index_t element) const = 0;
    const T& default_value() const { return default_value_; }

    std::type_index value_type() const final { return typeid(T); }

protected:
    ReadOnlyAttribute(std::string name, T default_value, AttributeProperties properties,
                      index_t nb_elements)
        : AttributeBase(std::move(name), properties, nb_elements),
          default_value_(std::move(default_value)) {}

    T default_value_;
};

// One value shared by every element. Element operations (copy, interpolation,
// renumbering) leave it unchanged.
template <typename T>
class ConstantAttribute final : public ReadOnlyAttribute<T> {
public:
    ConstantAttribute(std::string name, T default_value, AttributeProperties properties,
                      index_t nb_elements)
        : ReadOnlyAttribute<T>(std::move(name), default_value, properties, nb_elements),
          value_(std::move(default_value)) {}

    const T& value(index_t /*element*/) const override { return value_; }
    const T& value() const { return value_; }
    void set_value(T value) { value_ = std::move(value); }
    template <typename Modifier>
    void modify_value(Modifier&& modifier) {
        modifier(value_);
    }

    std::string_view storage_name() const override { return "ConstantAttribute"; }
    std::size_t allocated_bytes() const override { return 0; }

protected:
    void resize(index_t nb_elements) override { this->set_nb_elements(nb_elements); }
    void reserve(index_t /*capacity*/) override {}
    void copy_value(index_t, index_t) override {}
    void interpolate_value(absl::Span<const index_t>, absl::Span<const double>,
                           index_t) override {}
    void remap(absl::Span<const index_t> /*old2new*/, index_t new_size) override {
        this->set_nb_elements(new_size);
    }
    std::shared_ptr<AttributeBase> clone() const override {
        auto copy = std::make_shared<ConstantAttribute<T>>(
            this->name(), this->default_value_, this->properties(), this->nb_elements());
        copy->value_ = value_;
        return copy;
    }

private:
    T value_;
};

// One stored value per element (dense). Indices must be below nb_elements();
// value() and set_value() throw a VelmoraBasicException otherwise.
template <typename T>
class VariableAttribute final : public ReadOnlyAttribute<T> {
public:
    VariableAttribute(std::string name, T default_value, AttributeProperties properties,
                      index_t nb_elements)
        : ReadOnlyAttribute<T>(std::move(name), std::move(default_value), properties,
                               nb_elements),
          values_(nb_elements, Cell{this->default_value_}) {}

    const T& value(index_t element) const override {
        check(element, "value");
        return values_[element].value;
    }
    void set_value(index_t element, T value) {
        check(element, "set_value");
        values_[element].value = std::move(value);
    }
    template <typename Modifier>
    void modify_value(index_t element, Modifier&& modifier) {
        check(element, "modify_value");
        modifier(values_[element].value);
    }

    std::string_view storage_name() const override { return "VariableAttribute"; }
    std::size_t allocated_bytes() const override {
        return values_.capacity() * sizeof(Cell);
    }

protected:
    void resize(index_t nb_elements) override {
        values_.resize(nb_elements, Cell{this->default_value_});
        this->set_nb_elements(nb_elements);
    }
    void reserve(index_t capacity) override { values_.reserve(capacity); }
    void copy_value(index_t from, index_t to) override {
        values_[to].value = values_[from].value;
    }
    void interpolate_value(absl::Span<const index_t> from,
                           absl::Span<const double> weights, index_t to) override {
        if (from.empty())
            return;
        values_[to].value = internal::interpolate<T>(
            from, weights, [this](index_t e) -> const T& { return values_[e].value; });
    }
    void remap(absl::Span<const index_t> old2new, index_t new_size) override {
        std::vector<Cell> remapped(new_size, Cell{this->default_value_});
        for (std::size_t i = 0; i < old2new.size(); ++i) {
            if (old2new[i] != NO_ID)
                remapped[old2new[i]].value = std::move(values_[i].value);
        }
        values_ = std::move(remapped);
        this->set_nb_elements(new_size);
    }
    std::shared_ptr<AttributeBase> clone() const override {
        auto copy = std::make_shared<VariableAttribute<T>>(
            this->name(), this->default_value_, this->properties(), 0);
        copy->values_.reserve(values_.size());
        copy->values_ = values_;
        copy->set_nb_elements(this->nb_elements());
        return copy;
    }

private:
    // A wrapper so that bool values are real objects (no std::vector<bool> proxies).
    struct Cell {
        T value;
    };

    void check(index_t element, const char* operation) const {
        if (element >= values_.size()) {
            throw VelmoraBasicException("[VariableAttribute::", operation, "] Element ",
                                        element, " out of range (attribute ",
                                        this->name(), " has ", values_.size(),
                                        " elements)");
        }
    }

    std::vector<Cell> values_;
};

// Values stored only for the elements that were written; the others read the default.
// Indices must be below nb_elements(); value() and set_value() throw otherwise.
template <typename T>
class SparseAttribute final : public ReadOnlyAttribute<T> {
public:
    SparseAttribute(std::string name, T default_value, AttributeProperties properties,
                    index_t nb_elements)
        : ReadOnlyAttribute<T>(std::move(name), std::move(default_value), properties,
                               nb_elements) {}

    const T& value(index_t element) const override {
        check(element, "value");
        const auto it = values_.find(element);
        return it == values_.end() ? this->default_value_ : it->second;
    }
    void set_value(index_t element, T value) {
        check(element, "set_value");
        values_.insert_or_assign(element, std::move(value));
    }
    // The modifier receives the current value (the default if none was stored).
    template <typename Modifier>
    void modify_value(index_t element, Modifier&& modifier) {
        check(element, "modify_value");
        auto it = values_.try_emplace(element, this->default_value_).first;
        modifier(it->second);
    }
    // Number of elements with a stored value.
    std::size_t nb_stored_values() const { return values_.size(); }

    std::string_view storage_name() const override { return "SparseAttribute"; }
    std::size_t allocated_bytes() const override {
        return values_.capacity() * (sizeof(std::pair<const index_t, T>) + 1);
    }

protected:
    void resize(index_t nb_elements) override {
        if (nb_elements < this->nb_elements()) {
            for (auto it = values_.begin(); it != values_.end();) {
                if (it->first >= nb_elements) {
                    values_.erase(it++);
                } else {
                    ++it;
                }
            }
        }
        this->set_nb_elements(nb_elements);
    }
    void reserve(index_t /*capacity*/) override {}
    void copy_value(index_t from, index_t to) override {
        const auto it = values_.find(from);
        if (it == values_.end()) {
            values_.erase(to);
        } else {
            T copy = it->second;
            values_.insert_or_assign(to, std::move(copy));
        }
    }
    void interpolate_value(absl::Span<const index_t> from,
                           absl::Span<const double> weights, index_t to) override {
        if (from.empty())
            return;
        T value = internal::interpolate<T>(from, weights, [this](index_t e) -> const T& {
            const auto it = values_.find(e);
            return it == values_.end() ? this->default_value_ : it->second;
        });
        values_.insert_or_assign(to, std::move(value));
    }
    void remap(absl::Span<const index_t> old2new, index_t new_size) override {
        absl::flat_hash_map<index_t, T> remapped;
        remapped.reserve(values_.size());
        for (auto& [element, value] : values_) {
            if (element < old2new.size() && old2new[element] != NO_ID) {
                remapped.emplace(old2new[element], std::move(value));
            }
        }
        values_ = std::move(remapped);
        this->set_nb_elements(new_size);
    }
    std::shared_ptr<AttributeBase> clone() const override {
        auto copy = std::make_shared<SparseAttribute<T>>(
            this->name(), this->default_value_, this->properties(), this->nb_elements());
        copy->values_ = values_;
        return copy;
    }

private:
    void check(index_t element, const char* operation) const {
        if (element >= this->nb_elements()) {
            throw VelmoraBasicException("[SparseAttribute::", operation, "] Element ",
                                        element, " out of range (attribute ",
                                        this->name(), " has ", this->nb_elements(),
                                        " elements)");
        }
    }

    absl::flat_hash_map<index_t, T> values_;
};

}  // namespace orvane
