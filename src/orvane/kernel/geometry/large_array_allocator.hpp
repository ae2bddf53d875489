#pragma once

#include <cstddef>
#include <cstdlib>
#include <limits>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace orvane::internal {

// Allocator for the big flat arrays of the box tree. Arrays of several megabytes are
// aligned on 2 MiB and offered to the kernel as transparent huge pages: touching a
// fresh array then costs one page fault per 2 MiB instead of one per 4 KiB, which on
// a million boxes is most of the build time. Smaller arrays, and platforms without
// the hint, use the ordinary heap. The hint is advisory; if refused, nothing changes
// but the speed.
template <typename T>
class LargeArrayAllocator {
public:
    using value_type = T;

    LargeArrayAllocator() = default;
    template <typename U>
    LargeArrayAllocator(const LargeArrayAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        if (n > std::numeric_limits<std::size_t>::max() / sizeof(T)) {
            throw std::bad_array_new_length{};
        }
        const std::size_t bytes = n * sizeof(T);
        if (!is_large(bytes)) {
            return static_cast<T*>(::operator new(bytes));
        }
        void* p = std::aligned_alloc(HUGE_PAGE, rounded(bytes));
        if (p == nullptr) {
            throw std::bad_alloc{};
        }
#if defined(__linux__) && defined(MADV_HUGEPAGE)
        madvise(p, rounded(bytes), MADV_HUGEPAGE);
#endif
        return static_cast<T*>(p);
    }

    void deallocate(T* p, std::size_t n) noexcept {
        if (is_large(n * sizeof(T))) {
            std::free(p);
        } else {
            ::operator delete(p);
        }
    }

    template <typename U>
    bool operator==(const LargeArrayAllocator<U>&) const noexcept {
        return true;
    }
    template <typename U>
    bool operator!=(const LargeArrayAllocator<U>&) const noexcept {
        return false;
    }

private:
    static constexpr std::size_t HUGE_PAGE = std::size_t{2} << 20;

    static bool is_large(std::size_t bytes) {
        return bytes >= 2 * HUGE_PAGE;
    }
    static std::size_t rounded(std::size_t bytes) {
        return (bytes + HUGE_PAGE - 1) / HUGE_PAGE * HUGE_PAGE;
    }
};

}  // namespace orvane::internal
