# End-to-end tests on a headless sway of their own (native build only).
add_executable(wayland_e2e_client "${CMAKE_CURRENT_LIST_DIR}/wayland_e2e_client.cpp")
target_link_libraries(wayland_e2e_client PRIVATE ambervale_wayland_protocols)
foreach(case basic outputs pointer swayidle)
  add_test(NAME wayland_e2e_${case}
    COMMAND bash "${CMAKE_CURRENT_LIST_DIR}/${case}.sh" "$<TARGET_FILE:ambervale-wayland>"
            "$<TARGET_FILE:wayland_e2e_client>")
  set_tests_properties(wayland_e2e_${case} PROPERTIES TIMEOUT 600 LABELS wayland_e2e)
endforeach()
