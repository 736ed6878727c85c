# Tests of the parts of a pass that ask the user or run a script.
if(NOT TARGET tv_interactive)
  include(${PROJECT_SOURCE_DIR}/proofing/interactive.cmake)
endif()

tv_add_test(tst_interactive_core SOURCES tst_interactive_core.cpp LIBS tv_interactive Qt6::Gui)
tv_add_test(tst_script SOURCES tst_script.cpp LIBS tv_interactive)
tv_add_test(tst_interactive_palette SOURCES tst_interactive_palette.cpp LIBS tv_interactive_ui)
