# What ships: a small kestrel.exe, what `cmake --install` puts where, and the two packages cpack
# makes from that (an NSIS installer and a portable zip). Included from the top-level CMakeLists
# after the program's targets. scripts/package builds both architectures and collects the results.

# ---- The program file ---------------------------------------------------------------------------
if(MINGW)
  # The shipped 32-bit file is meant to stay under 400 KB. Optimising for size costs nothing that
  # matters here: the time of a capture is spent in the system's BitBlt and printer driver.
  # Kestrel runs on one thread, so its function-local statics need no locks (whose guard calls
  # would bring in more of the threads library).
  foreach(_target kestrel kestrel_core kestrel_rules)
    target_compile_options(${_target} PRIVATE $<$<CONFIG:Release,MinSizeRel>:-Os -fno-threadsafe-statics>)
  endforeach()
  # Keeps libstdc++'s terminate handler, and the name demangler it drags in, out of the file.
  target_sources(kestrel PRIVATE ${PROJECT_SOURCE_DIR}/toolkit/terminate_handler.cpp)
endif()

# ---- Install layout: one flat folder --------------------------------------------------------------
# The same three files in Program Files\Kestrel and in the portable zip.
install(TARGETS kestrel RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
set(KESTREL_LICENSE_FILE ${PROJECT_SOURCE_DIR}/LICENSE)
if(EXISTS ${KESTREL_LICENSE_FILE})
  install(FILES ${KESTREL_LICENSE_FILE} DESTINATION .)
else()
  message(STATUS "No LICENSE file yet: the packages go without one")
  set(KESTREL_LICENSE_FILE "")
endif()

# ---- Names that live elsewhere --------------------------------------------------------------------
# The settings key the program opens, from the program's own constant, so that the installer
# creates and the uninstaller removes exactly that key.
file(STRINGS ${PROJECT_SOURCE_DIR}/settings/setting_codes.h _line REGEX "kSettingsKeyPath = \"")
if(NOT _line MATCHES "kSettingsKeyPath = \"([^\"]+)\"")
  message(FATAL_ERROR "settings/setting_codes.h: kSettingsKeyPath not found")
endif()
string(REPLACE "\\\\" "\\" KESTREL_SETTINGS_KEY "${CMAKE_MATCH_1}")  # C++ escapes to plain text
if(NOT KESTREL_SETTINGS_KEY MATCHES "^Software\\\\(.+)\\\\[^\\\\]+$")
  message(FATAL_ERROR "Settings key \"${KESTREL_SETTINGS_KEY}\" is not Software\\<vendor>\\<product>")
endif()
set(KESTREL_VENDOR_KEY "Software\\${CMAKE_MATCH_1}")
# The name of the mutex a running Kestrel holds, by which setup and uninstall see it.
file(STRINGS ${PROJECT_SOURCE_DIR}/app/running_instance.h _line REGEX "kRunningMutexName\\[\\] = L\"")
if(NOT _line MATCHES "kRunningMutexName\\[\\] = L\"([^\"]+)\"")
  message(FATAL_ERROR "app/running_instance.h: kRunningMutexName not found")
endif()
set(KESTREL_RUNNING_MUTEX "${CMAKE_MATCH_1}")
# Publisher and copyright as the version record states them.
file(STRINGS ${PROJECT_SOURCE_DIR}/resources/kestrel.rc _lines REGEX "VALUE \"(CompanyName|LegalCopyright)\"")
foreach(_l IN LISTS _lines)
  if(_l MATCHES "VALUE \"(CompanyName|LegalCopyright)\", *\"([^\"]*)\"")
    set(KESTREL_RC_${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
  endif()
endforeach()
unset(_line)
unset(_lines)
unset(_l)

# ---- CPack ----------------------------------------------------------------------------------------
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  # Debian's makensis builds amd64 installers from the amd64-unicode stub.
  set(CPACK_KESTREL_ARCH "-x64")
  set(CPACK_KESTREL_NSIS_TARGET "amd64-unicode")
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
else()
  set(CPACK_KESTREL_ARCH "")
  set(CPACK_KESTREL_NSIS_TARGET "x86-unicode")
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES")
endif()

set(CPACK_GENERATOR "NSIS;ZIP")
set(CPACK_VERBATIM_VARIABLES ON)  # the registry paths hold backslashes
set(CPACK_PACKAGE_NAME "Kestrel")
set(CPACK_PACKAGE_VENDOR "${KESTREL_RC_CompanyName}")
set(CPACK_PACKAGE_VERSION "${KESTREL_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Kestrel screen capture")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Kestrel")
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Kestrel")
set(CPACK_PACKAGE_CHECKSUM SHA256)
if(KESTREL_LICENSE_FILE)
  set(CPACK_RESOURCE_FILE_LICENSE "${KESTREL_LICENSE_FILE}")  # the installer's licence page
else()
  set(CPACK_NSIS_IGNORE_LICENSE_PAGE ON)
endif()
# File names per generator (kestrel-0.4.0.1-setup.exe, kestrel-0.4.0.1-portable.zip, with -x64
# for the 64-bit build): set in cmake/cpack_options.cmake, which cpack reads for each generator.
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/cpack_options.cmake)

# The installer comes from our own script template, cmake/nsis/NSIS.template.in: all-users
# install, one Start menu group, the settings key whose values Users may read and write, and an
# uninstaller that removes exactly that.
set(CPACK_MODULE_PATH ${PROJECT_SOURCE_DIR}/cmake/nsis)
set(CPACK_NSIS_PACKAGE_NAME "Kestrel")
set(CPACK_NSIS_DISPLAY_NAME "Kestrel")
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/resources/kestrel.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/resources/kestrel.ico)
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
set(CPACK_KESTREL_PROGRAM_FILE "kestrel.exe")
set(CPACK_KESTREL_SETTINGS_KEY "${KESTREL_SETTINGS_KEY}")
set(CPACK_KESTREL_RUNNING_MUTEX "${KESTREL_RUNNING_MUTEX}")
set(CPACK_KESTREL_VENDOR_KEY "${KESTREL_VENDOR_KEY}")
set(CPACK_KESTREL_COPYRIGHT "${KESTREL_RC_LegalCopyright}")

include(CPack)

# Tests of the packages (ctest in either build tree): the installer is made (cpack -G NSIS,
# beside the program), and what it carries is checked: kestrel.exe for this processor, the file
# the build made, README and licence. The end-to-end suite Installer (tests/e2e/install_test.cpp)
# runs the 64-bit installer under Wine and needs it first too (fixture "installer").
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(_machine 0x8664)
else()
  set(_machine 0x14c)
endif()
find_program(KESTREL_MAKENSIS NAMES makensis DOC "NSIS, which cpack runs to make the installer")
find_program(KESTREL_7ZIP NAMES 7zz 7z DOC "7-Zip, to look inside the installer")
if(KESTREL_MAKENSIS)
  add_test(NAME package.installer
    COMMAND ${CMAKE_CPACK_COMMAND} -G NSIS --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  set_tests_properties(package.installer PROPERTIES FIXTURES_SETUP installer TIMEOUT 600)
else()
  message(STATUS "makensis not found: no installer tests (scripts/install-deps installs NSIS)")
endif()
if(KESTREL_MAKENSIS AND KESTREL_7ZIP)
  add_test(NAME package.installer.payload
    COMMAND ${CMAKE_COMMAND}
      -DINSTALLER=${CMAKE_BINARY_DIR}/kestrel-${KESTREL_VERSION}${CPACK_KESTREL_ARCH}-setup.exe
      -DPROGRAM=$<TARGET_FILE:kestrel> -DMACHINE=${_machine} -DSEVENZIP=${KESTREL_7ZIP}
      -DWORK=${CMAKE_BINARY_DIR}/payload-check -DLICENSE=${KESTREL_LICENSE_FILE}
      -P ${PROJECT_SOURCE_DIR}/cmake/check_payload.cmake)
  set_tests_properties(package.installer.payload PROPERTIES FIXTURES_REQUIRED installer)
endif()
unset(_machine)

# The shipped 32-bit program file stays within 400 KB (a size, not a timing: it cannot flake).
# Floating-point std::to_chars/from_chars or iostreams would each add 40 to 190 KB at once.
if(MINGW AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_test(NAME package.program_size
    COMMAND ${CMAKE_COMMAND} -DFILE=$<TARGET_FILE:kestrel> -DLIMIT=409600
      -P ${PROJECT_SOURCE_DIR}/cmake/check_size.cmake)
endif()
