// The whole tool, run as a user runs it, in an empty directory.
#include <gtest/gtest.h>

#include "test_support.h"

namespace {

using testing_support::run_yoffe;
using testing_support::TempDir;

TEST(Run, FixedRunPrintsTheDialogueAndExitsNormally) {
  TempDir dir;
  const auto result = run_yoffe(dir.path());
  EXPECT_TRUE(result.exited);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out,
            "\n"
            " Regularized Yoffe Slip Velocity Function\n"
            "\n"
            "  dt,nt=  0.005 4096\n"
            "  Dmax,TauS,TauR=  1.  0.02  3.1\n"
            "\n"
            "  Slip functions are stored in Yoffe_Slip.csv\n"
            "  Fourier spectrum of slip velocity is stored in Yoffe_Amp.csv\n"
            "\n"
            "  DUR,DOM,NOM,EOM=  20.48  0.306796158 2048  628.318531\n"
            "  Highest Frequency (hz)=  100.\n"
            "\n"
            " Hit any key to stop\n");
}

}  // namespace
