# The user's guide as HTML, made at build time beside the programs
# (<build>/doc/guide.html, where Help > User's Guide finds it when run from
# the build folder) and installed under share/doc/scmp-trainer.
find_program(SCMP_MARKDOWN cmark-gfm)
set(SCMP_GUIDE_OUT ${CMAKE_BINARY_DIR}/doc)
if(SCMP_MARKDOWN)
  file(GLOB SCMP_GUIDE_PICTURES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/guide/*.png)
  # Twice: the links to the samples lead to <build>/Scmp from <build>/doc,
  # and to share/scmp-trainer from the installed share/doc/scmp-trainer.
  set(SCMP_GUIDE_INSTALL_OUT ${SCMP_GUIDE_OUT}/installed)
  add_custom_command(OUTPUT ${SCMP_GUIDE_OUT}/guide.html ${SCMP_GUIDE_INSTALL_OUT}/guide.html
    COMMAND ${CMAKE_COMMAND} -DMARKDOWN=${SCMP_MARKDOWN} -DSOURCE=${CMAKE_SOURCE_DIR}/docs -DOUT=${SCMP_GUIDE_OUT}
      -DDATA=../Scmp/ -P ${CMAKE_SOURCE_DIR}/cmake/RenderGuide.cmake
    COMMAND ${CMAKE_COMMAND} -DMARKDOWN=${SCMP_MARKDOWN} -DSOURCE=${CMAKE_SOURCE_DIR}/docs
      -DOUT=${SCMP_GUIDE_INSTALL_OUT} -DDATA=../../scmp-trainer/ -P ${CMAKE_SOURCE_DIR}/cmake/RenderGuide.cmake
    DEPENDS ${CMAKE_SOURCE_DIR}/docs/guide.md ${SCMP_GUIDE_PICTURES} ${CMAKE_SOURCE_DIR}/cmake/RenderGuide.cmake
    COMMENT "Rendering the user's guide to HTML")
  add_custom_target(scmp_guide ALL DEPENDS ${SCMP_GUIDE_OUT}/guide.html ${SCMP_GUIDE_INSTALL_OUT}/guide.html)
  install(FILES ${SCMP_GUIDE_INSTALL_OUT}/guide.html DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(DIRECTORY ${SCMP_GUIDE_INSTALL_OUT}/guide DESTINATION ${CMAKE_INSTALL_DOCDIR})
else()
  message(WARNING "cmark-gfm not found (bash scripts/deps.sh installs it): the HTML guide is not built")
endif()
