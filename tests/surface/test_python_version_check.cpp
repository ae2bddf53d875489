#include <string>

#include <gtest/gtest.h>

// The check is header-only and used by the Python module before any Python object
// exists, so it is tested here without an interpreter.
#include "../../python/brep/python_version_check.hpp"

namespace orvane {
namespace {

TEST(PythonVersionCheck, PrefixMustMatchAndNotContinueWithADigit) {
    struct Case {
        const char* compiled;
        const char* runtime;
        bool compatible;
    };
    for (const auto& c : {
             Case{"3.12", "3.12.1 (main, Dec  1 2026, 10:00:00) [GCC 12.2.0]", true},
             Case{"3.12", "3.12", true},
             Case{"3.12", "3.12+", true},
             Case{"3.12", "3.12rc1", true},
             Case{"3.12", "3.121.0", false},
             Case{"3.12", "3.11.2 (main)", false},
             Case{"3.12", "3.1", false},
             Case{"3.12", "", false},
             Case{"3.1", "3.12.1", false},
             Case{"3.1", "3.1.4", true},
             Case{"3.11", "3.11.2 (main, Mar 13 2023, 12:18:29) [GCC 12.2.0]", true},
             Case{"", "3.11.2", false},
         }) {
        EXPECT_EQ(internal::is_compatible_python_version(c.compiled, c.runtime),
                  c.compatible)
            << c.compiled << " vs " << c.runtime;
    }
}

TEST(PythonVersionCheck, MismatchMessageNamesBothVersions) {
    EXPECT_EQ(internal::python_version_mismatch_message("3.11", "3.12.1 (main)"),
              "Python version mismatch: module was compiled for Python 3.11, but the "
              "interpreter version is incompatible: 3.12.1 (main).");
}

}  // namespace
}  // namespace orvane
