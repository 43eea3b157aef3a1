#pragma once
// Opens a data file the way the program does: it must pass CheckFile, then it is loaded.
#include "model/ORVAFile.h"

#include <gtest/gtest.h>

#include <string>

namespace orva::test {

inline TORVAFile LoadChecked(const std::string& path)
{
    TORVAFile file;
    EXPECT_EQ(file.CheckFile(path), "") << path;
    file.LoadFromFile(path);
    return file;
}

} // namespace orva::test
