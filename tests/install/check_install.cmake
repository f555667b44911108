# Installs the build tree into a fresh prefix, then checks what a user gets:
# the programs and the plug-in where the host looks, the Python module, and a
# CMake package that another project builds against.
#   cmake -DBUILD_DIR=... -DWORK_DIR=... -DCONSUMER_DIR=... -DCXX=... -DGENERATOR=...
#         -DPYTHON=... -DPYTHON_DIR=... [-DPRELOAD=libasan.so] -P check_install.cmake
function(run_checked)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "failed (${status}): ${ARGN}\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
run_checked(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

foreach(installed bin/kestrano bin/kestrano-host bin/plugins/libkestrano_full.so
        include/kestrano/core/kestrano.h include/kestrano/output/segment_table.h)
  if(NOT EXISTS ${prefix}/${installed})
    message(FATAL_ERROR "not installed: ${installed}")
  endif()
endforeach()
run_checked(${prefix}/bin/kestrano --version)

set(python_env PYTHONPATH=${prefix}/${PYTHON_DIR})
if(PRELOAD)
  list(APPEND python_env LD_PRELOAD=${PRELOAD} ASAN_OPTIONS=detect_leaks=0)
endif()
run_checked(${CMAKE_COMMAND} -E env ${python_env} ${PYTHON} -c
  "import kestrano\nprint(kestrano.__file__)")
if(NOT out MATCHES "^${prefix}/${PYTHON_DIR}/kestrano\\.")
  message(FATAL_ERROR "the installed module was not the one imported: ${out}")
endif()

run_checked(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/consumer -G ${GENERATOR}
            -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_PREFIX_PATH=${prefix})
run_checked(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
run_checked(${WORK_DIR}/consumer/count_segments)
if(NOT out MATCHES "^segments: [1-9][0-9]*\n$")
  message(FATAL_ERROR "unexpected output of the consumer: ${out}")
endif()
message(STATUS "consumer: ${out}")
file(REMOVE_RECURSE ${WORK_DIR})
