# Every writer of a user's file under the faults that could cost the old file.
tv_add_test(tst_safewrite SOURCES tst_safewrite.cpp LIBS tv_app_ui tv_pass)
