# End-to-end tests of ambervale-settings: on a private Xvfb screen with the X11 saver, and on a
# headless sway with the Wayland one (native build only); the screensaver switch under the
# headless compositors.
add_test(NAME settings_e2e_x11
  COMMAND bash "${CMAKE_CURRENT_LIST_DIR}/x11.sh" "$<TARGET_FILE:ambervale-settings>" "$<TARGET_FILE:ambervale>"
          "$<TARGET_FILE:ambervale_settings_failing_edges>")
set_tests_properties(settings_e2e_x11 PROPERTIES TIMEOUT 600 LABELS settings_e2e)
add_test(NAME settings_e2e_wayland
  COMMAND bash "${CMAKE_CURRENT_LIST_DIR}/wayland.sh" "$<TARGET_FILE:ambervale-wayland>"
          "$<TARGET_FILE:wayland_e2e_client>" "$<TARGET_FILE:ambervale-settings>")
set_tests_properties(settings_e2e_wayland PROPERTIES TIMEOUT 600 LABELS settings_e2e)
# The screensaver switch, driven through the window's accessibility tree.
foreach(compositor sway kwin gnome-shell)
  add_test(NAME settings_e2e_switch_${compositor}
    COMMAND bash "${CMAKE_CURRENT_LIST_DIR}/switch.sh" ${compositor} "$<TARGET_FILE:ambervale-wayland>"
            "$<TARGET_FILE:wayland_e2e_client>" "$<TARGET_FILE:ambervale-settings>")
  set_tests_properties(settings_e2e_switch_${compositor} PROPERTIES TIMEOUT 600 LABELS settings_e2e)
endforeach()
