tv_add_test(tst_text SOURCES tst_text.cpp LIBS tv_platform)
