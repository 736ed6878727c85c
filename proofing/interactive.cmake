# The parts of a pass that ask the user or run a script: the script runner,
# the candidate rows and the text positions of the confirmation window
# (display-free, tv_interactive), and the candidate palette and the
# confirmation window's text (tv_interactive_ui). Sources are named from this
# file's folder so that it can be included from elsewhere too.
set(_interactive_dir ${CMAKE_CURRENT_LIST_DIR})
if(NOT TARGET tv_pass)
  include(${_interactive_dir}/pass.cmake)
endif()

add_library(tv_interactive STATIC
  ${_interactive_dir}/core/ScriptRule.cpp
  ${_interactive_dir}/core/SelectList.cpp
  ${_interactive_dir}/core/DocumentPositions.cpp
)
target_link_libraries(tv_interactive PUBLIC tv_pass tv_proofing tv_app_core tv_encoding tv_platform)

add_library(tv_interactive_ui STATIC
  ${_interactive_dir}/ui/CheckText.cpp
  ${_interactive_dir}/ui/selectPallete.cpp
)
target_link_libraries(tv_interactive_ui PUBLIC tv_interactive tv_pass_ui tv_app_ui Qt6::Widgets)
