cmake_minimum_required(VERSION 3.25)
# Installs the build tree into an empty prefix, checks what landed where,
# then configures, builds and runs the consumer project against the prefix.
set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${what} failed (${status}):\n${out}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

run("cmake --install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

# Every program, library and plugin in its GNUInstallDirs folder.
foreach(installed
    ${BINDIR}/tabulo ${BINDIR}/tabulo-cli ${BINDIR}/tabulo-schema-reader
    ${LIBDIR}/libPembry31.so.31 ${LIBDIR}/pembry31/pembry31-desktop.so
    ${LIBDIR}/tabulo/Tabulo120.so ${LIBDIR}/tabulo/Tabulo40.so ${LIBDIR}/tabulo/Tabulo35.so
    ${LIBDIR}/cmake/Pembry31/Pembry31Config.cmake ${LIBDIR}/cmake/Pembry31/Pembry31ConfigVersion.cmake
    ${INCLUDEDIR}/pembry31/utility/TextHelper.h ${INCLUDEDIR}/pembry31/utility/MessageService.h
    ${DATADIR}/applications/tabulo.desktop)
  if(NOT EXISTS ${prefix}/${installed})
    message(FATAL_ERROR "not installed: ${installed}")
  endif()
endforeach()

# The library's internal headers stay in the source tree.
file(GLOB internal_headers RELATIVE ${INTERNAL_HEADERS_DIR} ${INTERNAL_HEADERS_DIR}/*.h)
file(GLOB_RECURSE installed_headers RELATIVE ${prefix}/${INCLUDEDIR} ${prefix}/${INCLUDEDIR}/*.h)
foreach(header ${installed_headers})
  get_filename_component(name ${header} NAME)
  if(name IN_LIST internal_headers OR header MATCHES "internal/")
    message(FATAL_ERROR "an internal header was installed: ${header}")
  endif()
endforeach()

# The installed tabulo-cli runs from the prefix, with the installed library,
# and reads a Jet file with the installed reader.
run("the installed tabulo-cli" ${prefix}/${BINDIR}/tabulo-cli --version)
if(EXISTS ${BUILD_DIR}/sample/fruit.mdb)
  run("the installed tabulo-cli on fruit.mdb" ${CMAKE_COMMAND} -E env --unset=TABULO_SCHEMA_READER
      ${prefix}/${BINDIR}/tabulo-cli --list-tables ${BUILD_DIR}/sample/fruit.mdb)
  if(last_output STREQUAL "")
    message(FATAL_ERROR "the installed tabulo-cli listed no table of fruit.mdb")
  endif()
else()
  message(STATUS "fruit.mdb is not fetched: the installed tabulo-cli read no Jet file")
endif()

run("configuring the consumer" ${CMAKE_COMMAND} -S ${CONSUMER_SOURCE} -B ${WORK_DIR}/consumer -G ${GENERATOR}
    -DCMAKE_CXX_COMPILER=${CXX_COMPILER} -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release)
run("building the consumer" ${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
run("running the consumer" ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
    ${WORK_DIR}/consumer/pembry31-consumer ${prefix})
message(STATUS "${last_output}")
