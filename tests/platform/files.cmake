tv_add_test(tst_files SOURCES tst_files.cpp LIBS tv_platform)
