# Tests of the parts of a pass that ask the user or run a script.
if(NOT TARGET tv_pass)
  include(${PROJECT_SOURCE_DIR}/proofing/pass.cmake)
endif()

tv_add_test(tst_interactive_core SOURCES tst_interactive_core.cpp LIBS tv_pass Qt6::Gui)
tv_add_test(tst_script SOURCES tst_script.cpp LIBS tv_pass)
tv_add_test(tst_interactive_palette SOURCES tst_interactive_palette.cpp LIBS tv_pass_ui)
tv_add_test(tst_interactive SOURCES tst_interactive.cpp LIBS tv_pass_ui)
tv_add_test(tst_interactive_pass SOURCES tst_interactive_pass.cpp LIBS tv_pass)
