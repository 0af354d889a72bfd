# End-to-end tests of the hack on private X servers (native build only: they run the
# program the way XScreenSaver does, which a sanitizer build adds nothing to but time).
foreach(case standalone resize daemon two_monitors)
  add_test(NAME x11_e2e_${case}
    COMMAND bash "${CMAKE_CURRENT_LIST_DIR}/${case}.sh" "$<TARGET_FILE:ambervale>")
  set_tests_properties(x11_e2e_${case} PROPERTIES TIMEOUT 600 SKIP_RETURN_CODE 77 LABELS x11_e2e)
endforeach()

# Under MATE's screensaver, with the menu entry the package ships.
add_test(NAME x11_e2e_mate
  COMMAND bash "${CMAKE_CURRENT_LIST_DIR}/mate.sh" "$<TARGET_FILE:ambervale>" "${CMAKE_CURRENT_LIST_DIR}/../ambervale.desktop")
set_tests_properties(x11_e2e_mate PROPERTIES TIMEOUT 600 SKIP_RETURN_CODE 77 LABELS x11_e2e)
