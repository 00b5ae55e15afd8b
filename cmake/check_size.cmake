# cmake -DFILE=<file> -DLIMIT=<bytes> -P check_size.cmake: fails when the file is larger.
file(SIZE "${FILE}" _size)
if(_size GREATER LIMIT)
  message(FATAL_ERROR "${FILE} is ${_size} bytes, more than ${LIMIT}")
endif()
message(STATUS "${FILE}: ${_size} bytes of at most ${LIMIT}")
