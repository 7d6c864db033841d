#pragma once
// What the record-tree benchmarks share: a folder of their own for the
// registry and the private folders, with the built library registered there
// as an installation registers it (so the database objects are made by
// ProgID, as the program makes them), a user's database of n rows, and the
// report of how the time grows from 10,000 to 100,000 rows.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class clsDatabase;
namespace vedb {
struct Record;
}

namespace bench {

// Registers the built library into the registry QUELLON_REGISTRY_ROOT names,
// as an installation does; ends the process when it cannot.
void RegisterLibrary();

// Sets up the folders and registers the library (once); the folders are
// removed at exit. Answers the folder.
const std::string& Sandbox();

// A user's n rows as people keep them: a folder every 50 rows, each folder
// under an earlier folder (ten subfolders each), the records under the
// latest folder with a site title, a login, a password and a note, some 140
// bytes a record in the file as in real users' files (short made-up values
// would make the fixed cost of each row look larger than it is). The last
// record's title and password are the only ones holding "needle".
std::vector<vedb::Record> UserRows(std::int64_t n);

// A database of the rows of UserRows(n) in the program's DataTable, made
// once per n.
clsDatabase& Database(std::int64_t n);

// The sizes each growth benchmark runs at, with its repetitions.
inline constexpr int kRepetitions = 7;
void Sizes(benchmark::internal::Benchmark* b);

// The console report, keeping the median processor time per iteration of
// each benchmark over its repetitions: on a shared machine the clock also
// counts the time other work holds the processor, the processor time far
// less so, and the median is the least disturbed of the repetitions.
class GrowthReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override;
    // Prints, for each name, the medians at 10,000 and 100,000 rows and
    // their ratio beside its goal.
    void PrintGrowth(const std::vector<std::string>& names) const;
    // Prints how much `whole` ("name/rows") costs beside `part`, against the
    // goal that whole <= 2 x part; on the clock where the time waited for the
    // disk belongs to the figure (a save ends in a flush).
    void PrintShare(const std::string& whole, const std::string& part, bool clock = false) const;

private:
    std::map<std::string, double> medians_;       // "name/rows" -> processor time per iteration
    std::map<std::string, double> clockMedians_;  // the same on the clock
};

}  // namespace bench
