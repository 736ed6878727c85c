tv_add_test(tst_thread SOURCES tst_thread.cpp LIBS tv_platform)
