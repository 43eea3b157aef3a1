# CMake generated Testfile for 
# Source directory: /work/main/tests/cli
# Build directory: /work/main/build/tests/cli
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
