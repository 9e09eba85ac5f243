#pragma once

#include <iosfwd>
#include <string>

namespace kxsr {

// Loads the model document ModelFile (written by kxsr --save) into a program executor that
// knows every kxsr function, evaluates it in batch on every row of DataFile and writes the
// predictions to Out as CSV: a header "prediction", then one value per row. The data file
// needs a column for each variable the program uses; other columns are ignored.
// TDataError for a model that cannot be loaded, holds no program or uses an unknown
// function, and for a missing column.
void RunPredict(const std::string& ModelFile, const std::string& DataFile, std::ostream& Out);

}  // namespace kxsr
