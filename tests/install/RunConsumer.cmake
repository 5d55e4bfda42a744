# cmake -P script: install the build into WORK_DIR/prefix, then configure, build and run the consumer.
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "Failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
# Exactly the public headers are installed: each of them, and no internal one.
string(REPLACE "," ";" expected "${PUBLIC_HEADERS}")
list(SORT expected)
file(GLOB_RECURSE installed RELATIVE ${prefix}/include ${prefix}/include/*)
list(SORT installed)
if(NOT installed STREQUAL expected)
  message(FATAL_ERROR "Installed headers differ from the public ones.\nInstalled: ${installed}\nPublic: ${expected}")
endif()

# find_package(today) + today::today
run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/build -G Ninja
    -DCMAKE_CXX_COMPILER=${CXX_COMPILER} -DCMAKE_PREFIX_PATH=${prefix}
    "-DCMAKE_CXX_FLAGS=${CONSUMER_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${CONSUMER_FLAGS}")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
run(${WORK_DIR}/build/consumer)
if(NOT last_output MATCHES "OrvaneProject://today-setting-guide")
  message(FATAL_ERROR "Unexpected consumer output: ${last_output}")
endif()

# pkg-config
find_program(PKG_CONFIG pkg-config REQUIRED)
set(ENV{PKG_CONFIG_PATH} ${prefix}/lib/pkgconfig:${prefix}/lib/x86_64-linux-gnu/pkgconfig)
run(${PKG_CONFIG} --cflags --libs --static today)
string(STRIP "${last_output}" flags)
separate_arguments(flags UNIX_COMMAND "${flags}")
separate_arguments(extra UNIX_COMMAND "${CONSUMER_FLAGS}")
# today.pc names no language standard: the consumer chooses its own (C++20 or later). The run path finds
# a shared library in the prefix.
run(${CXX_COMPILER} -std=c++20 ${extra} ${CONSUMER_DIR}/main.cpp -o ${WORK_DIR}/consumer-pc ${flags}
    -Wl,-rpath,${prefix}/lib -Wl,-rpath,${prefix}/lib/x86_64-linux-gnu)
run(${WORK_DIR}/consumer-pc)
