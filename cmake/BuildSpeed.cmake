# What makes a build from scratch quicker without changing what runs. The
# test command builds everything twice (plain and sanitized), so this is
# most of its time.
#  - Precompiled headers: the window library and every test executable parse
#    the Qt headers they share, GoogleTest and the common standard headers
#    once per target instead of once per source file.
#  - Test sources get line tables only (-g1): enough for a failure's or a
#    sanitizer's file and line, and much cheaper to compile than full
#    debug information.
# SCMP_PCH=OFF builds without precompiled headers.
option(SCMP_PCH "Precompiled headers for the test and window targets" ON)

set(SCMP_PCH_STD <algorithm> <array> <cstdint> <filesystem> <functional> <map> <memory>
  <optional> <sstream> <string> <string_view> <vector>)
# The Qt headers most of the window's sources include; the umbrella header
# <QtWidgets> would make a precompiled header twice the size and slower.
set(SCMP_PCH_QT <QAction> <QApplication> <QFileInfo> <QHBoxLayout> <QHeaderView> <QKeyEvent>
  <QLabel> <QLineEdit> <QMenu> <QMenuBar> <QMessageBox> <QObject> <QPainter> <QPalette>
  <QPlainTextEdit> <QPushButton> <QString> <QTableView> <QTableWidget> <QTimer> <QToolBar>
  <QVBoxLayout> <QWidget>)

function(scmp_build_quickly target)
  set(headers ${SCMP_PCH_STD})
  get_target_property(links ${target} LINK_LIBRARIES)
  if(NOT links)
    set(links)
  endif()
  set(is_test FALSE)
  if("scmp_test_support" IN_LIST links)
    set(is_test TRUE)
    list(APPEND headers <gtest/gtest.h>)
    target_compile_options(${target} PRIVATE $<$<CONFIG:RelWithDebInfo,Debug>:-g1>)
  endif()
  if("scmp_ui" IN_LIST links OR target STREQUAL "scmp_ui")
    list(APPEND headers ${SCMP_PCH_QT})
    if(is_test)
      list(APPEND headers <QTest>)
    endif()
  endif()
  if(SCMP_PCH)
    target_precompile_headers(${target} PRIVATE ${headers})
    # Through a precompiled header g++ 12 no longer treats the standard
    # headers as system headers, and its known false -Warray-bounds,
    # -Wstringop-overflow and -Wstringop-overread about std::string's
    # operator+ and copies reach the output.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
      target_compile_options(${target} PRIVATE -Wno-array-bounds -Wno-stringop-overflow -Wno-stringop-overread)
    endif()
  endif()
endfunction()
