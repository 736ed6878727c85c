# encoding_bench: detection and conversion of 10,000 files of 4 KB and of one
# 50 MB file in Shift_JIS and in EUC-JP, side by side with the iconv command.
#
#   build/bench/encoding_bench [text.gz] [runs]
#
# Default text: the Debian Reference in Japanese
# (/usr/share/debian-reference/debian-reference.ja.txt.gz, package
# debian-reference-ja). Exits 1 when a 50 MB conversion takes more than 1.2
# times what the command takes.
add_executable(encoding_bench encoding_bench.cpp)
target_link_libraries(encoding_bench PRIVATE tv_encoding tv_platform)
set_target_properties(encoding_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
