// The failure seam: chosen calls of chosen steps fail, everything else passes.
#include "files/file_fault.h"

#include <gtest/gtest.h>

TEST(FileFaults, ArmedCallsFailAndOthersPass) {
  ScopedFileFaults scope;
  EXPECT_FALSE(FileStepFails(FileStep::kWrite)) << "nothing is armed by default";
  FailFileStep(FileStep::kWrite, 3);
  FailFileStep(FileStep::kMove, 1);
  EXPECT_FALSE(FileStepFails(FileStep::kWrite));  // call 2
  EXPECT_TRUE(FileStepFails(FileStep::kWrite));   // call 3
  EXPECT_FALSE(FileStepFails(FileStep::kWrite));
  EXPECT_TRUE(FileStepFails(FileStep::kMove));
  EXPECT_FALSE(FileStepFails(FileStep::kRead));
  EXPECT_EQ(FileStepCalls(FileStep::kWrite), 4);
  EXPECT_EQ(FileStepCalls(FileStep::kMove), 1);
  ResetFileFaults();
  EXPECT_EQ(FileStepCalls(FileStep::kWrite), 0);
  EXPECT_FALSE(FileStepFails(FileStep::kMove));
  EXPECT_STREQ(FileStepName(FileStep::kSetTime), "set-time");
}
