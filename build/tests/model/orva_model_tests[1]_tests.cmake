add_test([=[X.Y]=]  /work/main/build/bin/orva_model_tests [==[--gtest_filter=X.Y]==] --gtest_also_run_disabled_tests)
set_tests_properties([=[X.Y]=]  PROPERTIES WORKING_DIRECTORY /work/main/build/tests/model SKIP_REGULAR_EXPRESSION [==[\[  SKIPPED \]]==] ENVIRONMENT)
set(  orva_model_tests_TESTS X.Y)
