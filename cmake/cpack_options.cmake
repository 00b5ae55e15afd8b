# Read by cpack once per generator (CPACK_PROJECT_CONFIG_FILE): the package file names.
#   NSIS  kestrel-<version>[-x64]-setup.exe
#   ZIP   kestrel-<version>[-x64]-portable.zip, whose files sit in a folder of the same name
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME "kestrel-${CPACK_PACKAGE_VERSION}${CPACK_KESTREL_ARCH}-setup")
elseif(CPACK_GENERATOR STREQUAL "ZIP")
  set(CPACK_PACKAGE_FILE_NAME "kestrel-${CPACK_PACKAGE_VERSION}${CPACK_KESTREL_ARCH}-portable")
endif()
