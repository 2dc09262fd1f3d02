# Fails when the library LIBRARY needs anything beyond the C library: a
# symbol of the C++ library (mangled names, exception or unwinding support).
execute_process(COMMAND ${NM} -u --format=posix ${LIBRARY}
                OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NM} could not list ${LIBRARY}")
endif()
string(REGEX MATCHALL "(^|\n)[^ \n]+ U" needed "${listing}")
foreach(entry ${needed})
  string(REGEX REPLACE "^\n?([^ ]+) U$" "\\1" symbol "${entry}")
  message(STATUS "needs ${symbol}")
  if(symbol MATCHES "^(_Z|__cxa_|__gxx_|_Unwind_)")
    message(FATAL_ERROR "${LIBRARY} needs ${symbol}, which is not in the C library")
  endif()
endforeach()
