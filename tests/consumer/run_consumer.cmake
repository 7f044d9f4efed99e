# Installs the build BUILD_DIR into a prefix under WORK_DIR and builds the consumer project
# against it with the optional packages (cxxopts, nlohmann_json, PNG, FreeType) disabled: the core
# must need none of them. Then, for the bunny as OFF, OBJ, PLY and STL, checks that the consumer's
# values at two epsilons with a length equal the command line's value files byte for byte (the
# consumer also checks arrays against files); that PYTHON (when given, outside the sanitizer
# build whose module needs the sanitizers' runtimes preloaded) imports the installed module.
# Run with cmake -P.
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
  -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix "-DCMAKE_EXE_LINKER_FLAGS=${link_flags}"
  -DCMAKE_DISABLE_FIND_PACKAGE_Freetype=ON -DCMAKE_DISABLE_FIND_PACKAGE_PNG=ON
  -DCMAKE_DISABLE_FIND_PACKAGE_cxxopts=ON -DCMAKE_DISABLE_FIND_PACKAGE_nlohmann_json=ON)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)

# The bunny in every format: OBJ as shipped, PLY (ASCII) and binary STL written from the OFF.
# Each is measured by the command line and the consumer in a folder of its own.
configure_file(${DATA_DIR}/bunny.off ${WORK_DIR}/off/bunny.off COPYONLY)
configure_file(${DATA_DIR}/bunny.obj ${WORK_DIR}/obj/bunny.obj COPYONLY)
file(STRINGS ${DATA_DIR}/bunny.off lines)
list(GET lines 1 counts)
string(REPLACE " " ";" counts "${counts}")
list(GET counts 0 vertex_count)
list(GET counts 1 facet_count)
math(EXPR last_vertex "${vertex_count} + 1")
math(EXPR first_facet "${vertex_count} + 2")
list(SUBLIST lines 2 ${vertex_count} vertex_lines)
list(SUBLIST lines ${first_facet} ${facet_count} facet_lines)
string(REPLACE ";" "\n" vertex_text "${vertex_lines}")
string(REPLACE ";" "\n" facet_text "${facet_lines}")
file(WRITE ${WORK_DIR}/ply/bunny.ply "ply\nformat ascii 1.0\nelement vertex ${vertex_count}\n"
  "property float x\nproperty float y\nproperty float z\nelement face ${facet_count}\n"
  "property list uchar int vertex_indices\nend_header\n${vertex_text}\n${facet_text}\n")

# Binary STL: every triangle with its three corners' coordinates, as a scanner writes it.
file(MAKE_DIRECTORY ${WORK_DIR}/stl)
run(python3 -c "
import struct, sys
words = open(sys.argv[1]).read().split()
n, m = int(words[1]), int(words[2])
xyz = [float(w) for w in words[4:4 + 3 * n]]
rest = [int(w) for w in words[4 + 3 * n:]]
out = bytearray(80) + struct.pack('<I', m)
for f in range(m):
    a, b, c = rest[4 * f + 1:4 * f + 4]
    out += bytes(12) + struct.pack('<9f', *(xyz[3 * a:3 * a + 3] + xyz[3 * b:3 * b + 3] + xyz[3 * c:3 * c + 3])) + bytes(2)
open(sys.argv[2], 'wb').write(out)
" ${DATA_DIR}/bunny.off ${WORK_DIR}/stl/bunny.stl)

set(epsilons 0.005,0.01)
set(length 0.25)
foreach(format off obj ply stl)
  set(mesh ${WORK_DIR}/${format}/bunny.${format})
  run(${BINARY} -e ${epsilons} --length ${length} ${mesh})
  run(${WORK_DIR}/build/consumer ${mesh} ${epsilons} ${length} ${WORK_DIR}/${format}/consumer)
  set(k 0)
  foreach(epsilon 0.005 0.01)
    file(READ ${WORK_DIR}/${format}/bunny_eps${epsilon}_labels.lb expected)
    file(READ ${WORK_DIR}/${format}/consumer_${k}.lb printed)
    if(NOT printed STREQUAL expected)
      message(FATAL_ERROR "${format}: the consumer's values at ${epsilon} differ from the value file")
    endif()
    math(EXPR k "${k} + 1")
  endforeach()
endforeach()

# The outputs component: the same files as the command line's, byte for byte (the statistics'
# seconds aside, so they are not compared).
run(${CMAKE_COMMAND} -S ${CONSUMER_SOURCE}/../consumer_outputs -B ${WORK_DIR}/build-outputs
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix
  "-DCMAKE_EXE_LINKER_FLAGS=${link_flags}")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build-outputs)
file(MAKE_DIRECTORY ${WORK_DIR}/by-cli ${WORK_DIR}/by-component)
run(${BINARY} -e 0.005,0.01 --range 0:50 --ply --png --csv --stats -d ${WORK_DIR}/by-cli
  ${WORK_DIR}/off/bunny.off)
run(${WORK_DIR}/build-outputs/consumer_outputs ${WORK_DIR}/off/bunny.off ${WORK_DIR}/by-component)
foreach(name bunny_eps0.005_labels.lb bunny_eps0.01_labels.lb bunny_eps0.005_roughness.png
    bunny_eps0.01_roughness.png bunny_roughness.ply bunny_fields.csv)
  file(SHA256 ${WORK_DIR}/by-cli/${name} expected)
  file(SHA256 ${WORK_DIR}/by-component/${name} written)
  if(NOT written STREQUAL expected)
    message(FATAL_ERROR "the outputs component's ${name} differs from the command line's")
  endif()
endforeach()
if(NOT EXISTS ${WORK_DIR}/by-component/bunny_eps0.01_stats.json)
  message(FATAL_ERROR "the outputs component wrote no statistics")
endif()

execute_process(COMMAND ${WORK_DIR}/build/consumer ${WORK_DIR}/missing.off 0.01 0 ${WORK_DIR}/m
  RESULT_VARIABLE status ERROR_VARIABLE err)
if(NOT status EQUAL 1 OR NOT err MATCHES "missing.off")
  message(FATAL_ERROR "a missing file gave status ${status} and \"${err}\"")
endif()
if(PYTHON AND NOT SANITIZE)
  file(GLOB module_dir LIST_DIRECTORIES true ${WORK_DIR}/prefix/lib/python*/dist-packages)
  run(${CMAKE_COMMAND} -E env PYTHONPATH=${module_dir} ${PYTHON} -c
    "import meshprobe, sys; sys.exit(meshprobe.__file__.startswith('${module_dir}') is False)")
endif()
message(STATUS "consumer: values equal the value files for OFF, OBJ, PLY and STL; arrays equal "
  "files; the outputs component writes the command line's files")
