# The library C++ projects link (meshprobe::meshprobe, one header without CGAL types), what
# `cmake --install` puts under the prefix, and the CMake package that find_package(meshprobe)
# reads: the programs, the libraries, include/meshprobe/ and lib/cmake/meshprobe/.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

add_library(meshprobe_library app/embedded_entry.cpp)
add_library(meshprobe::meshprobe ALIAS meshprobe_library)
set_target_properties(meshprobe_library PROPERTIES OUTPUT_NAME meshprobe EXPORT_NAME meshprobe)
target_include_directories(meshprobe_library PUBLIC
  $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
  $<BUILD_INTERFACE:${PROJECT_BINARY_DIR}/generated>
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
target_link_libraries(meshprobe_library PRIVATE meshprobe_app)

# Static libraries carry their dependencies along: the export names every one of them, and the
# package's configuration finds their dependencies again on the consumer's machine.
set(MESHPROBE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/meshprobe)
install(TARGETS meshprobe_library meshprobe_app meshprobe_io meshprobe_roughness meshprobe_viz
  meshprobe_mesh
  EXPORT meshprobeTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS meshprobe meshprobe-fields RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES include/meshprobe/meshprobe.h ${PROJECT_BINARY_DIR}/generated/meshprobe/version.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/meshprobe)
install(EXPORT meshprobeTargets NAMESPACE meshprobe:: DESTINATION ${MESHPROBE_PACKAGE_DIR})
configure_package_config_file(cmake/meshprobeConfig.cmake.in
  ${PROJECT_BINARY_DIR}/meshprobeConfig.cmake INSTALL_DESTINATION ${MESHPROBE_PACKAGE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/meshprobeConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/meshprobeConfig.cmake
  ${PROJECT_BINARY_DIR}/meshprobeConfigVersion.cmake DESTINATION ${MESHPROBE_PACKAGE_DIR})
