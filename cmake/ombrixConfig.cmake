# The ombrix SDK for CMake consumers: find_package(ombrix 1.1 REQUIRED) gives
# the imported target ombrix::ombrix (bin/ombrix.dll, its import library and
# include/). Every path is found from this file's place in the unpacked
# package (lib/cmake/ombrix), so the package works wherever it is unpacked.
# ombrixConfigVersion.cmake turns away a consumer of another major version or
# another architecture.
get_filename_component(_ombrix_root "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)

if(NOT TARGET ombrix::ombrix)
  # MSVC links the MSVC-style import library, MinGW its own.
  if(MSVC)
    set(_ombrix_implib "${_ombrix_root}/lib/ombrix.lib")
  else()
    set(_ombrix_implib "${_ombrix_root}/lib/libombrix.dll.a")
  endif()
  add_library(ombrix::ombrix SHARED IMPORTED)
  set_target_properties(ombrix::ombrix PROPERTIES
    IMPORTED_LOCATION "${_ombrix_root}/bin/ombrix.dll"
    IMPORTED_IMPLIB "${_ombrix_implib}"
    INTERFACE_INCLUDE_DIRECTORIES "${_ombrix_root}/include")
  unset(_ombrix_implib)
endif()
unset(_ombrix_root)
