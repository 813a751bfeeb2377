// The mark of the update run, on the real object manager (under Wine).
#include "SingleRunLock.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(SingleRunLock, SecondRunForTheDirectoryIsRefusedUntilTheFirstEnds)
{
    auto first = std::make_unique<SingleRunLock>("C:\\Programas\\Tolvar\\");
    ASSERT_TRUE(first->Acquired());
    const SingleRunLock refused("c:/programas/TOLVAR");
    EXPECT_FALSE(refused.Acquired());
    EXPECT_TRUE(SingleRunLock("C:\\Programas\\Outro\\").Acquired());

    first.reset();
    // The refused run, still alive, does not keep the directory marked.
    EXPECT_TRUE(SingleRunLock("C:\\Programas\\Tolvar\\").Acquired());
}

} // namespace
