# rules_bench: loads and prepares a dictionary's rules as a pass does and
# applies every rule once (replace-all, the fast path) to a Japanese text of
# about 1 MB and to the same text repeated to 50 MB.
#
#   build/bench/rules_bench [dictionary.dict] [text or text.gz]
#
# Defaults: webdb.dict from the shared benchmark data beside the checkout
# (../shared/bench), and the Debian Reference in Japanese
# (/usr/share/debian-reference/debian-reference.ja.txt.gz, package
# debian-reference-ja).
add_executable(rules_bench rules_bench.cpp)
target_link_libraries(rules_bench PRIVATE tv_pass)
target_compile_definitions(rules_bench PRIVATE
  TV_BENCH_DATA="${PROJECT_SOURCE_DIR}/../shared/bench")
set_target_properties(rules_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
