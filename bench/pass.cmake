# pass_bench: real proofreading passes, headless, with webdb.dict (1,296
# rules, from the shared benchmark data beside the checkout, ../shared/bench)
# on the Japanese Debian Reference (package debian-reference-ja): fast and
# default mode on 1 MB, on 50 MB and on 10,000 files of about 4 KB against
# one file of the same size, beside a bare PCRE2 baseline and perl. Prints
# every figure beside its target. Run it with
#
#   cmake --build build --target bench_pass
#
# (or build/bench/pass_bench; --quick runs the 1 MB part alone, --perl50 runs
# perl over 50 MB too, which takes minutes). Its data, about 250 MB, is kept
# in build/bench-pass-data.
if(NOT TARGET tv_pass)
  include(${PROJECT_SOURCE_DIR}/proofing/pass.cmake)
endif()
add_executable(pass_bench pass_bench.cpp)
target_link_libraries(pass_bench PRIVATE tv_pass_ui PkgConfig::PCRE2)
target_compile_definitions(pass_bench PRIVATE
  TV_BENCH_DATA="${PROJECT_SOURCE_DIR}/../shared/bench"
  TV_BENCH_WORK="${CMAKE_BINARY_DIR}/bench-pass-data")
set_target_properties(pass_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
add_custom_target(bench_pass COMMAND pass_bench DEPENDS pass_bench USES_TERMINAL
  COMMENT "Proofreading pass benchmark")
