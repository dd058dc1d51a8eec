# Installs the program into a temporary prefix and checks what a desktop
# needs: the program in bin/, its launcher and its icon, and the manual where
# 使い方 looks for it (share/doc/yurimoka beside bin/).
#   cmake -DBUILD=<build dir> -DPREFIX=<temporary prefix> -P install_check.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${PREFIX}"
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()
foreach(f bin/yurimoka share/applications/yurimoka.desktop share/icons/hicolor/scalable/apps/yurimoka.svg
        share/doc/yurimoka/manual.html)
  if(NOT EXISTS "${PREFIX}/${f}")
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
file(READ "${PREFIX}/share/applications/yurimoka.desktop" desktop)
foreach(line "Name=ユリモカ" "Exec=yurimoka" "Icon=yurimoka" "Type=Application" "Comment[ja]=俳句を")
  string(FIND "${desktop}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the launcher lacks \"${line}\"")
  endif()
endforeach()
find_program(VALIDATE desktop-file-validate)
if(VALIDATE)
  execute_process(COMMAND "${VALIDATE}" "${PREFIX}/share/applications/yurimoka.desktop"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "desktop-file-validate: ${out}")
  endif()
endif()
file(REMOVE_RECURSE "${PREFIX}")
