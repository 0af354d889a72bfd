# Documents installed compressed the Debian way: gzip -9n keeps no name or time stamp in the
# archive, so two builds give the same bytes.

# ambervale_compress(INPUT OUTPUT TARGET): OUTPUT is INPUT compressed, made by TARGET (built
# by default).
function(ambervale_compress input output target)
  add_custom_command(OUTPUT "${output}"
    COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" sh "${input}" "${output}"
    DEPENDS "${input}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS "${output}")
endfunction()

# ambervale_add_man_page(SOURCE PROGRAM_TARGET): a program's manual page, a groff source named
# program.section kept beside its code, installed under man/man<section>. Its test renders it
# with all of groff's warnings on and checks that it names every option --help lists.
# ambervale_man_<page> builds the compressed page.
function(ambervale_add_man_page source program)
  get_filename_component(page "${source}" NAME)
  get_filename_component(page_path "${source}" ABSOLUTE)
  string(REGEX MATCH "[1-9]$" section "${page}")
  set(compressed "${CMAKE_CURRENT_BINARY_DIR}/${page}.gz")
  ambervale_compress("${page_path}" "${compressed}" ambervale_man_${page})
  install(FILES "${compressed}" DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
  add_test(NAME man_page_${page}
    COMMAND bash "${CMAKE_SOURCE_DIR}/cmake/man_page_test.sh" "${page_path}" "$<TARGET_FILE:${program}>")
endfunction()
