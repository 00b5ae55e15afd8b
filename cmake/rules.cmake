# The host-testable rules of Kestrel: no <windows.h>, built for the host
# (unit tests, fuzzing) as well as for Windows. Include from the top-level
# CMakeLists; compile with the source root on the include path, since the
# sources include each other as "settings/leading_number.h" and so on.
#
# Paths are anchored at this file's parent directory (the source root, the
# same as ${PROJECT_SOURCE_DIR} in the project's own build) so that scratch
# builds that include this file from elsewhere find the sources too.
get_filename_component(KESTREL_RULES_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)

set(KESTREL_RULES_SOURCES
  ${KESTREL_RULES_ROOT}/settings/leading_number.cpp
  ${KESTREL_RULES_ROOT}/settings/setting_codes.cpp
  ${KESTREL_RULES_ROOT}/settings/preview_rules.cpp
  ${KESTREL_RULES_ROOT}/capture/capture_size.cpp
  ${KESTREL_RULES_ROOT}/capture/capture_target.cpp
  ${KESTREL_RULES_ROOT}/capture/window_area.cpp
  ${KESTREL_RULES_ROOT}/capture/page_fit.cpp
  ${KESTREL_RULES_ROOT}/capture/region_rules.cpp
  ${KESTREL_RULES_ROOT}/app/tray_rules.cpp
  ${KESTREL_RULES_ROOT}/app/key_repeat.cpp
  ${KESTREL_RULES_ROOT}/toolkit/scale_units.cpp
  ${KESTREL_RULES_ROOT}/about/help_text.cpp
)

set(KESTREL_HOST_TEST_SOURCES
  ${KESTREL_RULES_ROOT}/tests/host/settings_test.cpp
  ${KESTREL_RULES_ROOT}/tests/host/capture_test.cpp
  ${KESTREL_RULES_ROOT}/tests/host/page_fit_test.cpp
  ${KESTREL_RULES_ROOT}/tests/host/app_test.cpp
  ${KESTREL_RULES_ROOT}/tests/host/toolkit_test.cpp
  ${KESTREL_RULES_ROOT}/tests/host/help_text_test.cpp
)
