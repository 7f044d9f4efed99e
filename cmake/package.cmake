# What `cmake --install` puts under the prefix, and the CMake package that find_package(meshprobe)
# reads: the programs, the core library meshprobe::meshprobe with its header
# include/meshprobe/meshprobe.h (no CGAL type in it), the component `outputs`
# (meshprobe::outputs, include/meshprobe/outputs.h), and lib/cmake/meshprobe/. The libraries are
# static: the core needs only CGAL and OpenMP on the consumer's machine; only a consumer that asks
# for the outputs component needs libpng, FreeType and nlohmann-json.
include(CMakePackageConfigHelpers)

set(MESHPROBE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/meshprobe)
install(TARGETS meshprobe_core
  EXPORT meshprobeTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
set_target_properties(meshprobe_outputs PROPERTIES EXPORT_NAME outputs)
add_library(meshprobe::outputs ALIAS meshprobe_outputs)
install(TARGETS meshprobe_outputs
  EXPORT meshprobeOutputsTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS meshprobe meshprobe-fields RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES include/meshprobe/meshprobe.h include/meshprobe/outputs.h
  ${PROJECT_BINARY_DIR}/generated/meshprobe/version.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/meshprobe)
install(EXPORT meshprobeTargets NAMESPACE meshprobe:: DESTINATION ${MESHPROBE_PACKAGE_DIR})
install(EXPORT meshprobeOutputsTargets NAMESPACE meshprobe:: DESTINATION ${MESHPROBE_PACKAGE_DIR})
configure_package_config_file(cmake/meshprobeConfig.cmake.in
  ${PROJECT_BINARY_DIR}/meshprobeConfig.cmake INSTALL_DESTINATION ${MESHPROBE_PACKAGE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/meshprobeConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/meshprobeConfig.cmake
  ${PROJECT_BINARY_DIR}/meshprobeConfigVersion.cmake DESTINATION ${MESHPROBE_PACKAGE_DIR})
