tv_add_test(tst_intake SOURCES tst_intake.cpp LIBS tv_app_core)
