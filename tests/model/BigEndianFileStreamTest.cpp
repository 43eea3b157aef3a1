#include "model/BigEndianFileStream.h"
#include "tests/support/TestFileBuilder.h"
#include <gtest/gtest.h>
TEST(X, Y) {}
