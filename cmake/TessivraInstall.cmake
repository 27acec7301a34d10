# `cmake --install`: the libraries, their headers under include/tessivra (each layer's folder as
# the sources name it, so `#include "controls/shipped_classes.h"` works unchanged), a CMake
# package (`find_package(Tessivra)` with Tessivra::framework, Tessivra::controls,
# Tessivra::runtime_icu, Tessivra::headless and, when the Qt host is built, Tessivra::qt) and
# pkg-config files (tessivra, and tessivra-qt with the Qt host).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(TESSIVRA_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Tessivra)
set(TESSIVRA_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/tessivra)

# Each installed library, its name in the package, and the folder whose headers it brings.
set(tessivra_installed
    "tessivra_framework|framework|framework"
    "tessivra_controls|controls|controls"
    "tessivra_runtime_icu|runtime_icu|runtime/icu"
    "tessivra_headless|headless|hosts/headless")
if(TARGET tessivra_qt)
  list(APPEND tessivra_installed "tessivra_qt|qt|hosts/qt")
  set(TESSIVRA_PACKAGE_HAS_QT ON)
else()
  set(TESSIVRA_PACKAGE_HAS_QT OFF)
endif()

set(tessivra_targets)
foreach(entry ${tessivra_installed})
  string(REPLACE "|" ";" fields "${entry}")
  list(GET fields 0 target)
  list(GET fields 1 export_name)
  list(GET fields 2 folder)
  set_target_properties(${target} PROPERTIES EXPORT_NAME ${export_name})
  target_include_directories(${target} INTERFACE $<INSTALL_INTERFACE:${TESSIVRA_INSTALL_INCLUDEDIR}>)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/${folder}/ DESTINATION ${TESSIVRA_INSTALL_INCLUDEDIR}/${folder}
          FILES_MATCHING PATTERN "*.h")
  list(APPEND tessivra_targets ${target})
endforeach()

install(TARGETS ${tessivra_targets} EXPORT TessivraTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(EXPORT TessivraTargets NAMESPACE Tessivra:: DESTINATION ${TESSIVRA_INSTALL_CMAKEDIR})
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/TessivraConfig.cmake.in
                              ${CMAKE_BINARY_DIR}/TessivraConfig.cmake
                              INSTALL_DESTINATION ${TESSIVRA_INSTALL_CMAKEDIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/TessivraConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/TessivraConfig.cmake ${CMAKE_BINARY_DIR}/TessivraConfigVersion.cmake
        DESTINATION ${TESSIVRA_INSTALL_CMAKEDIR})

# The programs people run.
foreach(tool tessivra-run tessivra-idl tessivra-studio)
  if(TARGET ${tool})
    install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

file(RELATIVE_PATH TESSIVRA_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig
     ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" TESSIVRA_PC_TO_PREFIX "${TESSIVRA_PC_TO_PREFIX}")
configure_file(${CMAKE_SOURCE_DIR}/cmake/tessivra.pc.in ${CMAKE_BINARY_DIR}/tessivra.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/tessivra.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
if(TESSIVRA_PACKAGE_HAS_QT)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/tessivra-qt.pc.in ${CMAKE_BINARY_DIR}/tessivra-qt.pc
                 @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/tessivra-qt.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endif()
