# CMake generated Testfile for 
# Source directory: /work/main/tests/model
# Build directory: /work/main/build/tests/model
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
include("/work/main/build/tests/model/orva_model_tests[1]_include.cmake")
