#include <gtest/gtest.h>

#include <sstream>

#include "cli/commands.h"
#include "support/temp_dir.h"

namespace tessary::cli {
namespace {

TEST(OptionsCommand, InitWritesTheStartValuesOnceAndKeepsAnExistingFile) {
  testing::TempDir dir;
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(RunCli({"options", "--dir", dir.path()}, out, err), 1);
  EXPECT_EQ(err.str(), "Unable to locate file \"OPTIONS.CGF\"; using default settings.\n");

  out.str("");
  err.str("");
  ASSERT_EQ(RunCli({"options", "--dir", dir.path(), "--init"}, out, err), 0);
  EXPECT_EQ(err.str(), "");
  EXPECT_NE(out.str().find("\"fileblock_name\":\"Tes_Win\""), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("\"flags\":[1,0,0,0,0,0,0]"), std::string::npos) << out.str();
  std::string file = testing::ReadFile(dir.File("Options.CFG"));
  ASSERT_EQ(file.size(), 1232u);

  // A file that is there already is left as it is.
  file[1225] = 0;  // flag 1
  testing::WriteFile(dir.File("Options.CFG"), file);
  out.str("");
  ASSERT_EQ(RunCli({"options", "--dir", dir.path(), "--init"}, out, err), 0);
  EXPECT_NE(out.str().find("\"flags\":[0,0,0,0,0,0,0]"), std::string::npos) << out.str();
}

}  // namespace
}  // namespace tessary::cli
