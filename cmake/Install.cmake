# Installing as a desktop program (cmake --install build --prefix P) and the
# Debian package (cpack -G DEB in the build folder). Included at the end of
# the top-level CMakeLists.txt, after every target is defined, so that the
# executables present in this build are the ones installed.
include(GNUInstallDirs)
# share/doc/scmp-trainer: the guide, the README, the licence and the Debian
# copyright file.
set(CMAKE_INSTALL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/scmp-trainer)
include(${CMAKE_CURRENT_LIST_DIR}/Guide.cmake)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_SOURCE_DIR}/dist/copyright
  DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(SCMP_APP_ID io.github.scmp_trainer.ScmpTrainer)
set(SCMP_INSTALL_DATA_SUBDIR ${CMAKE_INSTALL_DATADIR}/scmp-trainer)

# The installed data folder of the configured prefix: where an installed
# program finds the shipped data when it is not in <its bin>/../share.
set_property(SOURCE ${CMAKE_SOURCE_DIR}/trainer/data_dir.cpp APPEND PROPERTY COMPILE_DEFINITIONS
  SCMP_INSTALLED_DATA_DIR="${CMAKE_INSTALL_FULL_DATADIR}/scmp-trainer")

set(SCMP_INSTALLED_PROGRAMS)
foreach(program scmp-trainer scmp-run scmp-asm scmp-test)
  if(TARGET ${program})
    list(APPEND SCMP_INSTALLED_PROGRAMS ${program})
    install(FILES ${CMAKE_SOURCE_DIR}/dist/man/${program}.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endforeach()
install(TARGETS ${SCMP_INSTALLED_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The shipped data folder, copied to each user's own data folder on first start.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/Scmp/ DESTINATION ${SCMP_INSTALL_DATA_SUBDIR})

if(TARGET scmp-trainer)
  install(FILES ${CMAKE_SOURCE_DIR}/dist/${SCMP_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/dist/${SCMP_APP_ID}.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${CMAKE_SOURCE_DIR}/dist/${SCMP_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

# ---- Debian package -----------------------------------------------------------
set(CPACK_PACKAGE_NAME scmp-trainer)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Emulator of a single-board SC/MP (INS8060) trainer")
set(CPACK_PACKAGE_DESCRIPTION
  "A desktop emulator of a single-board trainer built round the National\nSemiconductor SC/MP: the front panel with its switches and LEDs, memory\nimages, assembler listings, a trace log, slow mode and single step, and\nscmp-run, the same board without a window for batch runs.")
set(SCMP_PACKAGE_MAINTAINER "The SC/MP Trainer authors"
  CACHE STRING "The Maintainer field of the Debian package")
# No home on the web yet: the README installed with the package stands for it.
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "file:///usr/share/doc/scmp-trainer/README.md")
set(CPACK_PACKAGE_CONTACT ${SCMP_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the executables link (the Qt 6 runtime, libstdc++, libc)
# come from dpkg-shlibdeps. Qt finds the display through a platform plugin
# that no executable links, so that package is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(TARGET scmp-trainer)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
endif()
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
include(CPack)
