# The proofreading pass: its display-free worker (tv_pass), with the script
# runner and the candidate rows, and its windows (tv_pass_ui): the
# confirmation window, the candidate palette and the text they show. Sources
# are named from this file's folder so that it can be included from elsewhere
# too.
include_guard(GLOBAL)
set(_pass_dir ${CMAKE_CURRENT_LIST_DIR})

add_library(tv_pass STATIC
  ${_pass_dir}/core/proof.cpp
  ${_pass_dir}/core/PassChunks.cpp
  ${_pass_dir}/core/PassIntake.cpp
  ${_pass_dir}/core/PassOutput.cpp
  ${_pass_dir}/core/PassNotice.cpp
  ${_pass_dir}/core/PassRules.cpp
  ${_pass_dir}/core/PassMatch.cpp
  ${_pass_dir}/core/ScriptRule.cpp
  ${_pass_dir}/core/SelectList.cpp
)
target_link_libraries(tv_pass PUBLIC tv_proofing tv_app_core tv_dictionary tv_encoding tv_platform
  PRIVATE PkgConfig::PCRE2)

add_library(tv_pass_ui STATIC
  ${_pass_dir}/ui/grepWindow.cpp
  ${_pass_dir}/ui/PassWindows.cpp
  ${_pass_dir}/ui/selectPallete.cpp
  ${_pass_dir}/ui/CheckText.cpp
)
target_link_libraries(tv_pass_ui PUBLIC tv_pass tv_app_ui Qt6::Widgets)
