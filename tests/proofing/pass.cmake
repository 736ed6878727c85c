# Tests of the proofreading pass: real passes on real files, with the
# windows faked (core) or real and headless (ui).
if(NOT TARGET tv_pass)
  include(${PROJECT_SOURCE_DIR}/proofing/pass.cmake)
endif()

tv_add_test(tst_pass_text SOURCES tst_pass_text.cpp LIBS tv_pass)
tv_add_test(tst_pass SOURCES tst_pass.cpp LIBS tv_pass)
tv_add_test(tst_pass_ui SOURCES tst_pass_ui.cpp LIBS tv_pass_ui)
