// kxsr as a user runs it: the shipped data with small settings, its saved model through
// predict, and the exit status and single message line of bad input.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>

namespace {

std::string Slurp(const std::string& File) {
  std::stringstream text;
  text << std::ifstream(File).rdbuf();
  return text.str();
}

// The exit status, standard output and standard error of kxsr run with Arguments.
std::tuple<int, std::string, std::string> Kxsr(const std::string& Arguments) {
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
  const std::string options = " --target 'period (s)' --seed 3 --generations 8 --population 120";
  const auto [status, out, err] = Kxsr(data + options + " --pareto --threads 2 --save " + model);
  ASSERT_EQ(status, 0) << err;
  const auto model_at = out.find("\nmodel = ");
  ASSERT_NE(model_at, std::string::npos) << out;
  EXPECT_EQ(out.rfind("pareto front", 0), 0u);
  std::istringstream lines(out.substr(model_at + 1));
  std::string line;
  for (const char* key : {"model = ", "size = ", "train r2 = ", "test r2 = ", "test rmse = "}) {
    ASSERT_TRUE(std::getline(lines, line));
    ASSERT_EQ(line.rfind(key, 0), 0u) << line;
  }
  // The period is a square root of the length: easily found.
  EXPECT_GT(std::stod(out.substr(out.find("\ntest r2 = ") + 11)), 0.9);

  const auto [predict_status, predicted, predict_err] = Kxsr("predict " + model + " " + data);
  ASSERT_EQ(predict_status, 0) << predict_err;
  ASSERT_EQ(predicted.rfind("prediction\n", 0), 0u) << predicted;
  std::istringstream rows(predicted.substr(11));
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
  // Arguments, exit status, message (empty: any one line).
  const std::tuple<std::string, int, std::string> cases[] = {
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
  for (const auto& [arguments, status, message] : cases) {
    const auto [exit_status, out, err] = Kxsr(arguments);
    EXPECT_EQ(exit_status, status) << arguments;
    EXPECT_EQ(err, message.empty() ? err : message);
    EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
  }
}

}  // namespace
