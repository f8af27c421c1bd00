# Windows resources: the resource compiler (windres with MinGW, rc with MSVC)
# as CMake's RC language, enabled here at the top so that every folder's
# targets can compile .rc files.
if(WIN32)
  enable_language(RC)
endif()

# Turns a SHARED library target whose sources are only .rc files into a
# module of resources alone, <name><suffix>: no C runtime, no entry point, no
# imports. Such a module is only read (version information, resources), never
# run.
function(trackkit_resource_only_module target name suffix)
  set_target_properties(${target} PROPERTIES
    LINKER_LANGUAGE C
    PREFIX ""
    OUTPUT_NAME ${name}
    SUFFIX ${suffix})
  if(MSVC)
    target_link_options(${target} PRIVATE /NOENTRY)
  else()
    # GNU ld takes an entry that is no symbol as an address: 0, none.
    target_link_options(${target} PRIVATE -nostdlib -Wl,-e,0)
  endif()
endfunction()
