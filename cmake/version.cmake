# The program's version is written once, in resources/resource_ids.h, where the resource compiler
# reads it for the version record. CMake takes it from there (for project(), the manifest and the
# packages) so that nothing else has to be edited for a new version.
file(STRINGS "${CMAKE_CURRENT_LIST_DIR}/../resources/resource_ids.h" _kestrel_version_lines
  REGEX "^#define KESTREL_VERSION_(MAJOR|MINOR|PATCH|BUILD|STRING) ")
foreach(_part MAJOR MINOR PATCH BUILD)
  set(_value "")
  foreach(_line IN LISTS _kestrel_version_lines)
    if(_line MATCHES "^#define KESTREL_VERSION_${_part} +([0-9]+)$")
      set(_value "${CMAKE_MATCH_1}")
    endif()
  endforeach()
  if(_value STREQUAL "")
    message(FATAL_ERROR "resources/resource_ids.h: KESTREL_VERSION_${_part} is missing or not a number")
  endif()
  set(KESTREL_VERSION_${_part} "${_value}")
endforeach()
set(KESTREL_VERSION
  "${KESTREL_VERSION_MAJOR}.${KESTREL_VERSION_MINOR}.${KESTREL_VERSION_PATCH}.${KESTREL_VERSION_BUILD}")

# The text form is written out as well (the version record's FileVersion and ProductVersion):
# it must say the same.
set(_text "")
foreach(_line IN LISTS _kestrel_version_lines)
  if(_line MATCHES "^#define KESTREL_VERSION_STRING +\"([^\"]*)\"")
    set(_text "${CMAKE_MATCH_1}")
  endif()
endforeach()
if(NOT _text STREQUAL KESTREL_VERSION)
  message(FATAL_ERROR "resources/resource_ids.h: KESTREL_VERSION_STRING \"${_text}\" does not match "
    "the numbers ${KESTREL_VERSION}")
endif()
unset(_text)
unset(_value)
unset(_part)
unset(_line)
unset(_kestrel_version_lines)

# The application manifest names the version too.
set(KESTREL_GENERATED_DIR "${CMAKE_BINARY_DIR}/generated")
configure_file("${CMAKE_CURRENT_LIST_DIR}/../resources/kestrel.manifest.in"
  "${KESTREL_GENERATED_DIR}/kestrel.manifest" @ONLY)
