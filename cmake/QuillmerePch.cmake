# SPDX-License-Identifier: GPL-3.0-or-later
# Precompiled Qt headers. Reading Qt's headers is about half of what compiling one of our files
# costs, so each program and library reuses one of two sets compiled once: QtCore alone for
# targets that do not see QtWidgets (the model, the store and the engine, and their tests), and
# QtCore, QtGui and QtWidgets for the rest. The sets name headers only; each file still includes
# what it uses, so switching the option off leaves a tree that builds.
option(QM_PCH "Precompile the Qt headers every target shares" ON)

set(QM_PCH_CORE
  <QByteArray> <QElapsedTimer> <QFile> <QHash> <QJsonArray> <QJsonDocument> <QJsonObject> <QList>
  <QObject> <QPointer> <QSet> <QString> <QStringList> <QTimer> <QVariant>)
set(QM_PCH_WIDGETS ${QM_PCH_CORE}
  <QAbstractButton> <QApplication> <QFontMetricsF> <QHBoxLayout> <QImage> <QLabel> <QMenu>
  <QMouseEvent> <QPainter> <QScrollArea> <QScrollBar> <QTextLayout> <QVBoxLayout> <QWidget>)

# Called by qm_configure_target(); the sets are attached once every target exists.
function(qm_register_pch_user target)
  set_property(GLOBAL APPEND PROPERTY QM_PCH_USERS ${target})
endfunction()

# Whether QtWidgets' headers are visible to target: through its own links, or the public links
# of the libraries it links.
function(_qm_sees_widgets target out)
  set(seen)
  set(queue ${target})
  set(result FALSE)
  set(first TRUE)
  while(queue)
    list(POP_FRONT queue item)
    if(item IN_LIST seen OR NOT TARGET ${item})
      continue()
    endif()
    list(APPEND seen ${item})
    if(item STREQUAL "Qt6::Widgets")
      set(result TRUE)
      break()
    endif()
    get_target_property(type ${item} TYPE)
    set(links)
    if(first)
      get_target_property(links ${item} LINK_LIBRARIES)
      set(first FALSE)
    elseif(NOT item MATCHES "^Qt6::")
      get_target_property(links ${item} INTERFACE_LINK_LIBRARIES)
    endif()
    foreach(link IN LISTS links)
      if(link AND NOT link MATCHES "LINK_ONLY|NOTFOUND")
        list(APPEND queue ${link})
      endif()
    endforeach()
  endwhile()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

function(qm_apply_pch)
  if(NOT QM_PCH)
    return()
  endif()
  file(WRITE ${CMAKE_BINARY_DIR}/qm_pch.cpp "// The precompiled headers are built with this file.\n")
  foreach(flavour core widgets)
    add_library(qm_pch_${flavour} STATIC ${CMAKE_BINARY_DIR}/qm_pch.cpp)
    qm_configure_target(qm_pch_${flavour})
  endforeach()
  target_link_libraries(qm_pch_core PRIVATE Qt6::Core)
  target_link_libraries(qm_pch_widgets PRIVATE Qt6::Core Qt6::Gui Qt6::Widgets)
  target_precompile_headers(qm_pch_core PRIVATE ${QM_PCH_CORE})
  target_precompile_headers(qm_pch_widgets PRIVATE ${QM_PCH_WIDGETS})

  get_property(users GLOBAL PROPERTY QM_PCH_USERS)
  foreach(target IN LISTS users)
    # A library's pkg-config flags (libpulse's -D_REENTRANT) make a precompiled set unusable
    # for it, so the platform backends read their headers themselves.
    get_target_property(links ${target} LINK_LIBRARIES)
    if(target MATCHES "^qm_pch_" OR "${links}" MATCHES "PkgConfig::")
      continue()
    endif()
    # A program's own moc file is empty (tests include their .moc); loading a set costs more.
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
      get_target_property(dir ${target} BINARY_DIR)
      set_source_files_properties(${dir}/${target}_autogen/mocs_compilation.cpp
        TARGET_DIRECTORY ${target} PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
    endif()
    _qm_sees_widgets(${target} widgets)
    if(widgets)
      target_precompile_headers(${target} REUSE_FROM qm_pch_widgets)
    else()
      target_precompile_headers(${target} REUSE_FROM qm_pch_core)
    endif()
  endforeach()
endfunction()
