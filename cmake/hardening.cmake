# Build hardening for every program of the build, in one place.
#
# Native (Linux) programs get the flags that Debian's dpkg-buildflags gives packages with
# hardening=+all: stack protector, fortified libc calls, stack-clash probes, control-flow
# protection (CET on x86-64, branch protection on arm64), read-only relocations bound at start-up. GCC on Debian makes PIE already.
# The package is made by CPack from the same build, so it ships what the tests check.
# The Windows build gets the stack protector (libssp, linked statically) and keeps ASLR with
# high entropy and a non-executable stack and heap (NX) in the PE header.
if(AMBERVALE_FUZZ)
  return()  # the libFuzzer build instruments everything in its own way
endif()

add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security)
if(WIN32)
  add_link_options(-fstack-protector-strong -Wl,--dynamicbase -Wl,--high-entropy-va -Wl,--nxcompat)
  return()
endif()

add_compile_options(-fstack-clash-protection)
# Control-flow protection is the processor's own: CET on x86-64, branch protection on arm64.
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(aarch64|arm64)$")
  add_compile_options(-mbranch-protection=standard)
else()
  add_compile_options(-fcf-protection)
endif()
add_link_options(-Wl,-z,relro -Wl,-z,now)
# The fortified calls need the optimiser, and the sanitizers check those calls themselves:
# a Debug or sanitizer build is not one that ships, and is not checked.
if(AMBERVALE_SANITIZE OR CMAKE_BUILD_TYPE STREQUAL "Debug")
  return()
endif()
add_compile_definitions(_FORTIFY_SOURCE=2)

# Every ELF program that `cmake --install` puts in place passes hardening-check.
find_program(AMBERVALE_HARDENING_CHECK hardening-check)
if(AMBERVALE_HARDENING_CHECK)
  add_test(NAME linux_binaries_hardened
    COMMAND bash "${CMAKE_SOURCE_DIR}/scripts/check-hardening.sh" "${CMAKE_BINARY_DIR}" "${AMBERVALE_HARDENING_CHECK}")
else()
  # The suite must not pass without the check.
  add_test(NAME linux_binaries_hardened_tool_present COMMAND false)
endif()
