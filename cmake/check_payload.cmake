# cmake -DINSTALLER=<setup.exe> -DPROGRAM=<the built kestrel.exe> -DMACHINE=<0x14c|0x8664>
#       -DSEVENZIP=<7zz> -DWORK=<scratch folder> [-DLICENSE=<LICENSE>] -P check_payload.cmake
# Unpacks an NSIS installer with 7-Zip and checks what it would install: kestrel.exe for the
# expected processor (the PE header's Machine field), the very file the build made, and the
# README and licence beside it.
foreach(_var INSTALLER PROGRAM MACHINE SEVENZIP WORK)
  if(NOT ${_var})
    message(FATAL_ERROR "check_payload.cmake: ${_var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
execute_process(COMMAND "${SEVENZIP}" x -y "-o${WORK}" "${INSTALLER}"
  RESULT_VARIABLE _result OUTPUT_QUIET ERROR_VARIABLE _error)
if(NOT _result EQUAL 0)
  message(FATAL_ERROR "${INSTALLER} could not be unpacked: ${_error}")
endif()

set(_exe "${WORK}/kestrel.exe")
if(NOT EXISTS "${_exe}")
  message(FATAL_ERROR "${INSTALLER} carries no kestrel.exe")
endif()

# PE: the offset of the "PE\0\0" signature is the 32-bit value at 0x3C; Machine follows it.
file(READ "${_exe}" _mz LIMIT 2 HEX)
file(READ "${_exe}" _lfanew OFFSET 60 LIMIT 4 HEX)
string(REGEX REPLACE "^(..)(..)(..)(..)$" "\\4\\3\\2\\1" _lfanew "${_lfanew}")
math(EXPR _pe "0x${_lfanew}")
file(READ "${_exe}" _signature OFFSET ${_pe} LIMIT 4 HEX)
math(EXPR _machine_at "${_pe} + 4")
file(READ "${_exe}" _machine OFFSET ${_machine_at} LIMIT 2 HEX)
string(REGEX REPLACE "^(..)(..)$" "\\2\\1" _machine "${_machine}")
math(EXPR _machine "0x${_machine}" OUTPUT_FORMAT HEXADECIMAL)
math(EXPR _expected "${MACHINE}" OUTPUT_FORMAT HEXADECIMAL)
if(NOT _mz STREQUAL "4d5a" OR NOT _signature STREQUAL "50450000")
  message(FATAL_ERROR "kestrel.exe in ${INSTALLER} is not a PE file")
endif()
if(NOT _machine EQUAL _expected)
  message(FATAL_ERROR "kestrel.exe in ${INSTALLER} is built for machine ${_machine}, not ${_expected}")
endif()

file(SHA256 "${_exe}" _packed)
file(SHA256 "${PROGRAM}" _built)
if(NOT _packed STREQUAL _built)
  message(FATAL_ERROR "kestrel.exe in ${INSTALLER} is not the one in ${PROGRAM}")
endif()

set(_files README.md)
if(LICENSE)
  list(APPEND _files LICENSE)
endif()
foreach(_file IN LISTS _files)
  if(NOT EXISTS "${WORK}/${_file}")
    message(FATAL_ERROR "${INSTALLER} carries no ${_file}")
  endif()
endforeach()
file(REMOVE_RECURSE "${WORK}")
message(STATUS "${INSTALLER}: kestrel.exe for machine ${_machine}, as built; ${_files} beside it")
