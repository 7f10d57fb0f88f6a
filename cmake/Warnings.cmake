# Warnings are errors in the project's own code.
function(tavrix_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /WX /utf-8 /permissive-)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  endif()
endfunction()

# Windows targets: Unicode entry points, Windows 7 interface ids (ADO 2.x, answered by both
# Windows and Wine), no min/max macros.
function(tavrix_windows_defs target)
  target_compile_definitions(${target} PUBLIC UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN
                                              _WIN32_WINNT=0x0601 NTDDI_VERSION=0x06010000)
endfunction()
