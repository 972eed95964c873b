# lirano-wl-input: one virtual keyboard and pointer for a headless sway.
# The protocols' XML lives in protocols/, as no Debian package ships it.
find_package(PkgConfig REQUIRED)
pkg_check_modules(WL_INPUT REQUIRED IMPORTED_TARGET wayland-client xkbcommon)
find_program(WAYLAND_SCANNER wayland-scanner REQUIRED)

set(wl_input_gen ${CMAKE_CURRENT_BINARY_DIR}/wl_input_protocols)
set(wl_input_sources ${CMAKE_CURRENT_LIST_DIR}/wl_input.c)
foreach(protocol virtual-keyboard-unstable-v1 wlr-virtual-pointer-unstable-v1)
  set(xml ${CMAKE_CURRENT_LIST_DIR}/protocols/${protocol}.xml)
  set(header ${wl_input_gen}/${protocol}-client-protocol.h)
  set(code ${wl_input_gen}/${protocol}-protocol.c)
  add_custom_command(OUTPUT ${header} ${code}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${wl_input_gen}
    COMMAND ${WAYLAND_SCANNER} client-header ${xml} ${header}
    COMMAND ${WAYLAND_SCANNER} private-code ${xml} ${code}
    DEPENDS ${xml} VERBATIM)
  list(APPEND wl_input_sources ${header} ${code})
endforeach()

add_executable(lirano-wl-input ${wl_input_sources})
target_include_directories(lirano-wl-input PRIVATE ${wl_input_gen})
target_link_libraries(lirano-wl-input PRIVATE PkgConfig::WL_INPUT)
