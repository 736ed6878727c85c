tv_add_test(tst_dbus DBUS SOURCES tst_dbus.cpp LIBS tv_platform_ui)
