// Entry point of every Wine test executable: OLE initialised on the test thread, as in the program.
#include <gtest/gtest.h>

#include "base/win32.h"

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (FAILED(OleInitialize(nullptr))) return 2;
    const int result = RUN_ALL_TESTS();
    OleUninitialize();
    return result;
}
