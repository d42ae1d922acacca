# GoogleTest for the Windows builds of the tests, as a static library that
# matches their runtime. MinGW-w64 builds Debian's copy of the sources; MSVC,
# with no system copy to use, fetches it at configure time, pinned to a
# commit. Both test folders include this; it adds the targets once.
include_guard(GLOBAL)
if(MSVC)
  include(FetchContent)
  FetchContent_Declare(googletest
    GIT_REPOSITORY https://github.com/google/googletest.git
    GIT_TAG f8d7d77c06936315286eb55f8de22cd23c188571  # v1.14.0
  )
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  FetchContent_MakeAvailable(googletest)
  # GoogleTest builds itself with -WX (in the flags it sets as each
  # library's COMPILE_FLAGS), so a warning that a newer Visual Studio finds
  # in its sources would fail our check. Its warnings stay, as warnings.
  foreach(target gtest gtest_main)
    get_target_property(flags ${target} COMPILE_FLAGS)
    string(REPLACE "-WX" "" flags "${flags}")
    set_target_properties(${target} PROPERTIES COMPILE_FLAGS "${flags}")
  endforeach()
else()
  set(QUELLARO_GTEST_SOURCE /usr/src/googletest/googletest CACHE PATH "GoogleTest sources to build for Windows")
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  add_subdirectory(${QUELLARO_GTEST_SOURCE} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()
