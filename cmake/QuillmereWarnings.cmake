# SPDX-License-Identifier: GPL-3.0-or-later
# Project-wide compile options, applied to every target through qm_configure_target().
set(QM_WARNINGS
  -Wall -Wextra -Wpedantic -Wnon-virtual-dtor -Woverloaded-virtual -Wold-style-cast
  $<IF:$<CXX_COMPILER_ID:GNU>,-Wshadow=compatible-local,-Wshadow-uncaptured-local>)

if(QM_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

option(QM_UNITY "Compile each library's files in batches" ON)

function(qm_configure_target target)
  target_compile_options(${target} PRIVATE ${QM_WARNINGS})
  if(QM_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  target_compile_definitions(${target} PRIVATE
    QT_NO_CAST_TO_ASCII QT_RESTRICTED_CAST_FROM_ASCII QT_NO_URL_CAST_FROM_STRING
    QT_USE_QSTRINGBUILDER QT_NO_KEYWORDS)
  qm_register_pch_user(${target})
  # A library's files are compiled a few at a time in one unit, so the headers they share are
  # read once per batch instead of once per file.
  get_target_property(type ${target} TYPE)
  if(QM_UNITY AND type STREQUAL "STATIC_LIBRARY")
    set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 6)
  endif()
endfunction()
