// Gives every test executable its environment before main runs, whether it is started
// by ctest or by hand: the offscreen Qt platform and the build's data folder.
#include <cstdlib>

namespace
{
struct TestEnvironment {
    TestEnvironment()
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        setenv("MW_DATA_DIR", MW_TEST_DATA_DIR, 0);
        setenv("MW_SOURCE_DIR", MW_TEST_SOURCE_DIR, 0);
    }
} sTestEnvironment;
} // namespace
