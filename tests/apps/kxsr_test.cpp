// kxsr as a user runs it: the shipped data with small settings, its saved model through
// predict, and the exit status and single message line of bad input.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct TRun {
  int Status;
  std::string Out, Err;
};

std::string Slurp(const std::string& File) {
  std::stringstream text;
  text << std::ifstream(File).rdbuf();
  return text.str();
}

TRun Kxsr(const std::string& Arguments) {
  // CTest runs the tests of this file as parallel processes: each needs its own files.
  const std::string stem =
      ::testing::TempDir() + ::testing::UnitTest::GetInstance()->current_test_info()->name();
  const std::string out = stem + ".out", err = stem + ".err";
  const int status =
      std::system((std::string(KXSR_PATH) + " " + Arguments + " >" + out + " 2>" + err).c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(out), Slurp(err)};
}

TEST(Kxsr, FindsTheModelOfTheShippedDataAndPredictsThroughItsSavedModel) {
  const std::string data = std::string(KXSR_DATA_DIR) + "/pendulum.csv";
  const std::string model = ::testing::TempDir() + "pendulum.xml";
  const TRun run = Kxsr(data +
                        " --target 'period (s)' --seed 3 --generations 8 --population 120 "
                        "--pareto --threads 2 --save " +
                        model);
  ASSERT_EQ(run.Status, 0) << run.Err;
  const auto model_at = run.Out.find("\nmodel = ");
  ASSERT_NE(model_at, std::string::npos) << run.Out;
  EXPECT_EQ(run.Out.rfind("pareto front", 0), 0u);
  std::istringstream lines(run.Out.substr(model_at + 1));
  std::string line;
  double value = 0;
  for (const char* key : {"model = ", "size = ", "train r2 = ", "test r2 = ", "test rmse = "}) {
    ASSERT_TRUE(std::getline(lines, line));
    ASSERT_EQ(line.rfind(key, 0), 0u) << line;
    if (std::string(key) == "test r2 = ") value = std::stod(line.substr(10));
  }
  EXPECT_GT(value, 0.9);  // the period is a square root of the length: easily found

  const TRun predicted = Kxsr("predict " + model + " " + data);
  ASSERT_EQ(predicted.Status, 0) << predicted.Err;
  std::istringstream rows(predicted.Out);
  ASSERT_TRUE(std::getline(rows, line));
  EXPECT_EQ(line, "prediction");
  int count = 0;
  double error = 0;
  std::ifstream truth(data);
  std::getline(truth, line);  // the header
  for (std::string row; std::getline(rows, row) && std::getline(truth, line); ++count) {
    error += std::abs(std::stod(row) - std::stod(line.substr(line.rfind(',') + 1)));
  }
  EXPECT_EQ(count, 40);
  EXPECT_LT(error / count, 0.1);
}

TEST(Kxsr, BadInputGivesOneLineAndItsExitStatus) {
  const std::string broken = ::testing::TempDir() + "broken.csv",
                    good = ::testing::TempDir() + "good.csv";
  std::ofstream(broken) << "a,b\n1,2\n3,x\n";
  std::ofstream(good) << "a,b\n1,2\n3,4\n5,7\n";
  const struct {
    std::string Arguments;
    int Status;
    std::string Message;  // empty: any one line
  } cases[] = {
      {broken + " --target b", 1,
       "kxsr: " + broken + ":3: \"x\" in column \"b\" is not a finite number\n"},
      {good + " --target c", 1, "kxsr: " + good + ": no column \"c\" (columns: a, b)\n"},
      {"missing.csv --target b", 1, "kxsr: cannot open missing.csv\n"},
      {good + " --target b --population 0", 2, ""},
      {good + " --target b --functions add,foo", 2, ""},
      {broken + " --frobnicate", 2, ""},
      {broken, 2, ""},
      {"predict " + broken + " " + broken, 1, ""},
  };
  for (const auto& c : cases) {
    const TRun run = Kxsr(c.Arguments);
    EXPECT_EQ(run.Status, c.Status) << c.Arguments;
    EXPECT_EQ(run.Err, c.Message.empty() ? run.Err : c.Message);
    EXPECT_EQ(run.Err.find('\n'), run.Err.size() - 1) << run.Err;
  }
}

}  // namespace
