# Warnings for our own targets; third-party code is built without them.
function(trackkit_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /permissive- /utf-8)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
                                              -Werror=return-type -Werror=format)
  endif()
endfunction()
