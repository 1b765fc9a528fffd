// The environment of the container and binding tests: OLE initialised on the test thread and the
// built QX30W32 registered (its classes and type library), as an installation leaves it.
#include <gtest/gtest.h>

#include <ole2.h>

#include "dialog_robot.h"

namespace {

class OleHostEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    ASSERT_EQ(S_OK, testutil::RegisterBuiltControl());
  }
  void TearDown() override {
    CoFreeUnusedLibraries();
    OleUninitialize();
  }
};

testing::Environment* const g_environment =
    testing::AddGlobalTestEnvironment(new OleHostEnvironment);

}  // namespace
