// Test programs start the component library as Corvane's main block does, before their first test.
#include <gtest/gtest.h>

#include "controls/RXConstStartup.h"

namespace {

class TLibraryStartup : public ::testing::Environment {
public:
  void SetUp() override { StartComponentLibrary(); }
};

::testing::Environment* const LibraryStartup = ::testing::AddGlobalTestEnvironment(new TLibraryStartup);

}  // namespace
