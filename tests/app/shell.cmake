tv_add_test(tst_preferences SOURCES tst_preferences.cpp LIBS tv_app_core)
tv_add_test(tst_startup SOURCES tst_startup.cpp LIBS tv_app_ui)
tv_add_test(tst_events SOURCES tst_events.cpp LIBS tv_app_ui)
