# Installs the build BUILD_DIR into a prefix under WORK_DIR, builds the consumer project against
# it, and checks that it prints the value file of MESH at epsilon 0.01, byte for byte, and that
# it reports a missing file; that PYTHON (when given, outside the sanitizer build whose module needs
# the sanitizers' runtimes preloaded) imports the installed module. Run with cmake -P.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${status}):\n${out}\n${err}")
  endif()
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix)
# The libraries of the sanitizer build call the sanitizers' runtimes: the consumer links them.
set(link_flags "")
if(SANITIZE)
  set(link_flags "-fsanitize=address,undefined,float-cast-overflow")
endif()
run(${CMAKE_COMMAND} -S ${CONSUMER_SOURCE} -B ${WORK_DIR}/build -DCMAKE_BUILD_TYPE=Release
  -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix "-DCMAKE_EXE_LINKER_FLAGS=${link_flags}")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)

configure_file(${MESH} ${WORK_DIR}/mesh.off COPYONLY)
run(${BINARY} ${WORK_DIR}/mesh.off 0.01)
execute_process(COMMAND ${WORK_DIR}/build/consumer ${WORK_DIR}/mesh.off 0.01
  OUTPUT_FILE ${WORK_DIR}/consumer.lb RESULT_VARIABLE status)
file(READ ${WORK_DIR}/mesh_labels.lb expected)
file(READ ${WORK_DIR}/consumer.lb printed)
if(NOT status EQUAL 0 OR NOT printed STREQUAL expected)
  message(FATAL_ERROR "the consumer (status ${status}) did not print the value file's numbers")
endif()

execute_process(COMMAND ${WORK_DIR}/build/consumer ${WORK_DIR}/missing.off 0.01
  RESULT_VARIABLE status ERROR_VARIABLE err)
if(NOT status EQUAL 1 OR NOT err MATCHES "missing.off")
  message(FATAL_ERROR "a missing file gave status ${status} and \"${err}\"")
endif()
if(PYTHON AND NOT SANITIZE)
  file(GLOB module_dir LIST_DIRECTORIES true ${WORK_DIR}/prefix/lib/python*/dist-packages)
  run(${CMAKE_COMMAND} -E env PYTHONPATH=${module_dir} ${PYTHON} -c
    "import meshprobe, sys; sys.exit(meshprobe.__file__.startswith('${module_dir}') is False)")
endif()
message(STATUS "consumer: values equal the value file; a missing file is reported: ${err}")
