# cmake -DROOT=<source dir> -DSTAMP=<file> -P QbmToolkitFree.cmake
# Fails when a folder includes a toolkit it must not know: no folder below the views includes Qt;
# the views' shared folder (app/view) includes neither Qt nor the Windows API nor either window's
# folder; the Qt window includes no Windows API, and the Windows window no Qt.
cmake_policy(VERSION 3.22)
set(qt_include "^[ \t]*#[ \t]*include[ \t]*[<\"]Q")
set(windows_include "^[ \t]*#[ \t]*include[ \t]*[<\"]([Ww]indows|winuser|wingdi|winbase|commctrl|commdlg|richedit|shellapi|shlobj|shlwapi|uxtheme|htmlhelp|windowsx|dwmapi|shellscalingapi)\\.h")
set(window_folders_include "^[ \t]*#[ \t]*include[ \t]*\"app/(qt|win32)/")

# check(<folder> <rule name> <regex>...)
set(wrong "")
function(check folder what)
  file(GLOB_RECURSE files RELATIVE ${ROOT} ${ROOT}/${folder}/*.h ${ROOT}/${folder}/*.cpp)
  foreach(file IN LISTS files)
    foreach(pattern IN LISTS ARGN)
      file(STRINGS ${ROOT}/${file} hits REGEX "${pattern}")
      foreach(hit IN LISTS hits)
        string(APPEND wrong "\n  ${file}: ${hit} (${what})")
      endforeach()
    endforeach()
  endforeach()
  set(wrong "${wrong}" PARENT_SCOPE)
endfunction()

foreach(folder jet common db olddb merge report session samples cli)
  check(${folder} "no Qt below the views" "${qt_include}")
endforeach()
check(app/view "the shared views are toolkit-free" "${qt_include}" "${windows_include}" "${window_folders_include}")
check(app/qt "the Qt window uses no Windows API" "${windows_include}")
check(app/win32 "the Windows window uses no Qt" "${qt_include}")
if(wrong)
  message(FATAL_ERROR "includes across the toolkit boundaries:${wrong}")
endif()
file(TOUCH ${STAMP})
