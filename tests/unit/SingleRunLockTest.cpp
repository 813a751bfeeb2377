// The mark of the update run, on the real object manager (under Wine).
#include "SingleRunLock.h"

#include <gtest/gtest.h>

namespace {

TEST(SingleRunLock, SecondRunForTheDirectoryIsRefusedUntilTheFirstEnds)
{
    TMutexHandle first = MarkSingleRun("C:\\Programas\\Tolvar\\");
    ASSERT_TRUE(first);
    const TMutexHandle refused = MarkSingleRun("c:/programas/TOLVAR");
    EXPECT_FALSE(refused);
    EXPECT_TRUE(MarkSingleRun("C:\\Programas\\Outro\\"));

    first.reset();
    // The refused run, still alive, does not keep the directory marked.
    EXPECT_TRUE(MarkSingleRun("C:\\Programas\\Tolvar\\"));
}

} // namespace
