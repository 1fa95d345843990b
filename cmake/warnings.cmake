# SPDX-License-Identifier: MIT
# Strict warnings for our own targets only. They are applied PRIVATE, so a
# project that links the installed libraries never inherits them.
function(scte104_set_warnings target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE
      -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wshadow
      -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual)
    if(SCTE104_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
endfunction()
