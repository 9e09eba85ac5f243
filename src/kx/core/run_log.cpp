#include "kx/core/run_log.hpp"

#include <filesystem>
#include <system_error>

#include "kx/host/exceptions.hpp"
#include "kx/host/number_text.hpp"

namespace kx {

const char* const TKXRunLog::Header =
    "generation,best,average,worst,diversity,evaluations,elapsed_seconds,avg_size,avg_depth";

TKXRunLog::TKXRunLog(const std::string& FileName, bool Append) {
  std::error_code error;
  const bool continuing = Append && std::filesystem::file_size(FileName, error) > 0 && !error;
  FStream.open(FileName, continuing ? std::ios::app : std::ios::trunc);
  if (!FStream) throw EKXException("Cannot open run log " + FileName);
  if (!continuing) FStream << Header << '\n' << std::flush;
}

void TKXRunLog::Write(const TKXGenerationReport& Report) {
  FStream << Report.Generation << ',' << FloatToStr(Report.Best) << ','
          << FloatToStr(Report.Average) << ',' << FloatToStr(Report.Worst) << ','
          << FloatToStr(Report.Diversity) << ',' << Report.Evaluations << ','
          << FloatToStr(Report.ElapsedSeconds) << ',';
  if (Report.HasPrograms)
    FStream << FloatToStr(Report.AvgProgramSize) << ',' << FloatToStr(Report.AvgProgramDepth);
  else
    FStream << ',';
  FStream << '\n' << std::flush;
}

TKXGenerationEvent TKXRunLog::Observer() {
  return [this](TKXObject*, const TKXGenerationReport& Report) { Write(Report); };
}

}  // namespace kx
