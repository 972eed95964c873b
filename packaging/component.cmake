# Writes the IBus component for the installed program folder PROGRAM_DIR by
# running Lirano-Qt --Install, as a user would: a copy of QT placed in a
# staging folder that ends in PROGRAM_DIR writes <exec> from its own folder,
# and the staging root is then taken off the paths.
#   cmake -DQT=... -DSTAGE=... -DPROGRAM_DIR=/usr/lib/lirano -DOUT=.../Lirano.xml -P component.cmake
set(folder "${STAGE}${PROGRAM_DIR}")
file(REMOVE_RECURSE "${STAGE}")
get_filename_component(out_dir "${OUT}" DIRECTORY)
file(MAKE_DIRECTORY "${folder}" "${STAGE}/component" "${STAGE}/home" "${out_dir}")
file(COPY "${QT}" DESTINATION "${folder}")
get_filename_component(qt_name "${QT}" NAME)
# Folders of its own: nothing of the builder's home or session is used.
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
          QT_QPA_PLATFORM=offscreen HOME=${STAGE}/home XDG_RUNTIME_DIR=${STAGE}/home
          LIRANO_IBUS_COMPONENT_DIRS=${STAGE}/component
          "${folder}/${qt_name}" --Install
  RESULT_VARIABLE rc OUTPUT_VARIABLE log ERROR_VARIABLE log)
set(written "${STAGE}/component/Lirano.xml")
if(NOT rc EQUAL 0 OR NOT EXISTS "${written}")
  message(FATAL_ERROR "Lirano-Qt --Install wrote no component (${rc}): ${log}")
endif()
file(READ "${written}" xml)
string(REPLACE "${folder}/" "${PROGRAM_DIR}/" xml "${xml}")
# A build folder with spaces or shell characters is quoted in <exec>, and
# the replacement above misses it: say so rather than ship a wrong path.
foreach(expected "<name>org.freedesktop.IBus.Lirano</name>"
                 "<exec>${PROGRAM_DIR}/Lirano-IBus --ibus</exec>"
                 "<engines exec=\"${PROGRAM_DIR}/Lirano-IBus --xml\" />")
  string(FIND "${xml}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the component lacks ${expected} (build in a folder with a plain path):\n${xml}")
  endif()
endforeach()
file(WRITE "${OUT}" "${xml}")
file(REMOVE_RECURSE "${STAGE}")
