# Fails when a portable source includes a Windows header. Every C or C++ file
# below the given folders is portable, except those inside a win32/ folder,
# which hold the Windows implementations.
#
#   cmake -P cmake/check_portable_headers.cmake FOLDER...
#
# Header names are compared case-insensitively, by file name, for both
# #include <...> and #include "...".

cmake_minimum_required(VERSION 3.20)

set(windows_header_patterns
  # The Windows API proper and its win*.h family.
  "windows|windef|winnt|winbase|winuser|wingdi|winreg|winioctl|winternl|winerror|winsvc|winver|winnls|wincon|winnetwk|winperf|winresrc|winapifamily|winmeta"
  "winsock|winsock2|ws2tcpip|mswsock|wininet|winhttp|windns|wincrypt|wincred|wintrust|winevt|winspool|winefs|winscard|winldap|winber"
  # API sets and basic types that some code includes on its own.
  "minwindef|minwinbase|fileapi|handleapi|memoryapi|heapapi|synchapi|processthreadsapi|errhandlingapi|sysinfoapi|libloaderapi|debugapi|ioapiset|securitybaseapi|stringapiset|datetimeapi|timezoneapi|guiddef|initguid|versionhelpers"
  # Native API and drivers.
  "ntstatus|ntdef|ntddk|ntifs|wdm|ntsecapi|devioctl|ntddstor|ntddvol|ntdddisk|ntddscsi|fltkernel|fltuser|fltuserstructures"
  # Shell, common controls, COM, themes.
  "commctrl|commdlg|commoncontrols|richedit|shlwapi|shellapi|shlobj|shlobj_core|shobjidl|shobjidl_core|shtypes|shlguid|knownfolders|propkey|propsys"
  "objbase|objidl|ole2|oleauto|olectl|unknwn|combaseapi|rpc|rpcndr|comdef|comutil|uxtheme|vssym32|vsstyle|dwmapi|gdiplus|wincodec|mmsystem"
  # Installer, devices, security and other system libraries.
  "msi[a-z0-9_]*|setupapi|cfgmgr32|devguid|newdev|sddl|aclapi|accctrl|userenv|lm|dbghelp|imagehlp|tlhelp32|psapi|powrprof|wtsapi32|iphlpapi|virtdisk|vss|vswriter|vsbackup"
  # Microsoft-only text and framework headers.
  "tchar|strsafe|intsafe|afx[a-z0-9_]*|atlbase|atlcom|atlwin|atlstr|atlconv|atlapp|d3d[a-z0-9_]*|dxgi[a-z0-9_]*|d2d1[a-z0-9_]*|dwrite[a-z0-9_]*")
list(JOIN windows_header_patterns "|" windows_header_alternatives)
set(windows_header_regex "^(${windows_header_alternatives})\\.h$")

set(source_extensions c cc cpp cxx h hh hpp hxx inl ipp ixx)

# The folders are the arguments after the script's own name.
set(folders)
set(state options)
math(EXPR last_argument "${CMAKE_ARGC} - 1")
foreach(i RANGE ${last_argument})
  if(state STREQUAL "folders")
    get_filename_component(folder "${CMAKE_ARGV${i}}" ABSOLUTE)
    list(APPEND folders "${folder}")
  elseif(state STREQUAL "script")
    set(state folders)
  elseif(CMAKE_ARGV${i} STREQUAL "-P")
    set(state script)
  endif()
endforeach()
if(NOT folders)
  message(FATAL_ERROR "usage: cmake -P check_portable_headers.cmake FOLDER...")
endif()

set(violations)
foreach(folder IN LISTS folders)
  if(NOT IS_DIRECTORY "${folder}")
    message(FATAL_ERROR "check_portable_headers: no folder ${folder}")
  endif()
  set(globs)
  foreach(extension IN LISTS source_extensions)
    list(APPEND globs "${folder}/*.${extension}")
  endforeach()
  file(GLOB_RECURSE sources LIST_DIRECTORIES false ${globs})
  list(SORT sources)
  foreach(source IN LISTS sources)
    file(RELATIVE_PATH relative "${folder}" "${source}")
    if(relative MATCHES "(^|/)win32/")
      continue()
    endif()
    file(STRINGS "${source}" include_lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS include_lines)
      if(NOT line MATCHES "#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"]")
        continue()
      endif()
      set(header "${CMAKE_MATCH_1}")
      string(TOLOWER "${header}" name)
      string(REGEX REPLACE "^.*[/\\]" "" name "${name}")
      if(name MATCHES "${windows_header_regex}")
        string(STRIP "${line}" line)
        list(APPEND violations "${source}: ${line}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  list(JOIN violations "\n  " listing)
  message(FATAL_ERROR
    "Portable sources include Windows headers; move this code into a win32/ folder "
    "or reach the platform through an interface:\n  ${listing}")
endif()
