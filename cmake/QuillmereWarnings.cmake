# SPDX-License-Identifier: GPL-3.0-or-later
# Project-wide compile options, applied to every target through qm_configure_target().
set(QM_WARNINGS
  -Wall -Wextra -Wpedantic -Wnon-virtual-dtor -Woverloaded-virtual -Wold-style-cast
  -Wshadow=compatible-local)

if(QM_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

function(qm_configure_target target)
  target_compile_options(${target} PRIVATE ${QM_WARNINGS})
  if(QM_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  target_compile_definitions(${target} PRIVATE
    QT_NO_CAST_TO_ASCII QT_RESTRICTED_CAST_FROM_ASCII QT_NO_URL_CAST_FROM_STRING
    QT_USE_QSTRINGBUILDER QT_NO_KEYWORDS)
  qm_register_pch_user(${target})
endfunction()
