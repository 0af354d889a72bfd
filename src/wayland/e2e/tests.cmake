# End-to-end tests on headless compositors of their own (native build only): sway (layer shell,
# the idle protocol), mutter (GNOME: xdg-shell, the IdleMonitor, RemoteDesktop input), weston, and
# the real GNOME Shell (the wallpaper under the leaves, the overview closed).
add_executable(wayland_e2e_client "${CMAKE_CURRENT_LIST_DIR}/wayland_e2e_client.cpp" shm_buffer.cpp)
target_link_libraries(wayland_e2e_client PRIVATE ambervale_wayland_logic ambervale_wayland_protocols
                      ambervale_desktop_sources)
add_executable(gnome_input "${CMAKE_CURRENT_LIST_DIR}/gnome_input.cpp")
target_link_libraries(gnome_input PRIVATE PkgConfig::LIBSYSTEMD)
foreach(case basic outputs pointer blank scale swayidle idle lock weston gnome gnome_shell kwin)
  add_test(NAME wayland_e2e_${case}
    COMMAND bash "${CMAKE_CURRENT_LIST_DIR}/${case}.sh" "$<TARGET_FILE:ambervale-wayland>"
            "$<TARGET_FILE:wayland_e2e_client>" "$<TARGET_FILE:gnome_input>"
            "$<TARGET_FILE:ambervale_wayland_failing_edges>")
  set_tests_properties(wayland_e2e_${case} PROPERTIES TIMEOUT 600 LABELS wayland_e2e)
endforeach()
