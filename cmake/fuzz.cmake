# The fuzz build (-DAMBERVALE_FUZZ=ON, with clang): the portable code and the fuzz targets
# under libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer; no tests, tools or hosts.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "AMBERVALE_FUZZ needs clang: -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++")
endif()

set(AMBERVALE_FUZZ_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_compile_options(-fsanitize=fuzzer-no-link ${AMBERVALE_FUZZ_SANITIZERS})
add_link_options(${AMBERVALE_FUZZ_SANITIZERS})
add_compile_definitions(_GLIBCXX_ASSERTIONS)

# libjpeg-turbo built with the same instrumentation (scripts/bootstrap.sh --fuzz), so that the
# JPEG target is guided by the decoder's own branches and a read past the picture's bytes
# inside the decoder is caught too. Without it the system library is used, uninstrumented.
set(AMBERVALE_FUZZ_JPEG "${AMBERVALE_DEPS}/fuzz-libjpeg")
if(EXISTS "${AMBERVALE_FUZZ_JPEG}/lib/libjpeg.a")
  set(JPEG_INCLUDE_DIR "${AMBERVALE_FUZZ_JPEG}/include" CACHE PATH "" FORCE)
  set(JPEG_LIBRARY "${AMBERVALE_FUZZ_JPEG}/lib/libjpeg.a" CACHE FILEPATH "" FORCE)
else()
  message(WARNING "No instrumented libjpeg in ${AMBERVALE_FUZZ_JPEG}: the JPEG target fuzzes the system library blind")
endif()
