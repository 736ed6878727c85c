tv_add_test(tst_dbus SOURCES tst_dbus.cpp LIBS tv_platform_ui)
