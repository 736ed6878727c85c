# The output-name template; FormatStr.cpp needs nothing of the shell beside it.
tv_add_test(tst_formatstr SOURCES tst_formatstr.cpp ${PROJECT_SOURCE_DIR}/app/core/FormatStr.cpp LIBS tv_platform)
