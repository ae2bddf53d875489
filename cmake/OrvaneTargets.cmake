# Helpers shared by every CMakeLists of the project.

set(ORVANE_LIBRARIES "" CACHE INTERNAL "")

function(orvane_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(ORVANE_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
    if(ORVANE_SANITIZE AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
      # GCC's flow analysis under -fsanitize reports false maybe-uninitialized reads in
      # absl::InlinedVector; the regular build still treats the warning as an error.
      target_compile_options(${target} PRIVATE -Wno-error=maybe-uninitialized)
    endif()
  endif()
endfunction()

# orvane_library(NAME FOLDER [RECURSE] DEPS ...)
# Sources are the .cpp files of FOLDER (of its whole tree with RECURSE), picked up at
# configure time so that adding a file needs no edit here.
function(orvane_library name folder)
  cmake_parse_arguments(ARG "RECURSE" "" "DEPS" ${ARGN})
  if(ARG_RECURSE)
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
  else()
    file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
  endif()
  set(include_root $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/src>
                   $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  if(sources)
    add_library(${name} SHARED ${sources})
    target_include_directories(${name} PUBLIC ${include_root})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    target_compile_features(${name} PUBLIC cxx_std_17)
    set_target_properties(${name} PROPERTIES VERSION ${PROJECT_VERSION}
                                             SOVERSION ${PROJECT_VERSION_MAJOR})
    orvane_warnings(${name})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${include_root})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    target_compile_features(${name} INTERFACE cxx_std_17)
  endif()
  add_library(Orvane::${name} ALIAS ${name})
  set(ORVANE_LIBRARIES ${ORVANE_LIBRARIES} ${name} CACHE INTERNAL "")
endfunction()

function(orvane_install_package)
  install(TARGETS ${ORVANE_LIBRARIES} EXPORT OrvaneTargets
          LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
          ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
          RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/src/orvane
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.hpp")
  install(EXPORT OrvaneTargets NAMESPACE Orvane::
          DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Orvane)
  configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/OrvaneConfig.cmake.in
          ${PROJECT_BINARY_DIR}/OrvaneConfig.cmake
          INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Orvane)
  write_basic_package_version_file(${PROJECT_BINARY_DIR}/OrvaneConfigVersion.cmake
          COMPATIBILITY SameMajorVersion)
  install(FILES ${PROJECT_BINARY_DIR}/OrvaneConfig.cmake
                ${PROJECT_BINARY_DIR}/OrvaneConfigVersion.cmake
          DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Orvane)
endfunction()

# orvane_test_folder(FOLDER LIBS ...): one test executable per test_*.cpp file.
function(orvane_test_folder folder)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/test_*.cpp)
  foreach(test_source ${tests})
    get_filename_component(test_name ${test_source} NAME_WE)
    set(target ${folder}_${test_name})
    add_executable(${target} ${test_source})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock
                                            GTest::gtest_main)
    orvane_warnings(${target})
    add_test(NAME ${folder}.${test_name} COMMAND ${target})
  endforeach()
endfunction()
