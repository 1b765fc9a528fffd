#include "files/file_fault.h"

#include <set>
#include <utility>

namespace {

// The engine runs one operation at a time on one thread, so plain process-wide state suffices.
struct FaultTable {
  int calls[kFileStepKinds] = {};
  std::set<std::pair<int, int>> armed;  // (step, nth call)
};

FaultTable& Table() {
  static FaultTable table;
  return table;
}

int Index(FileStep step) { return static_cast<int>(step); }

}  // namespace

bool FileStepFails(FileStep step) {
  FaultTable& table = Table();
  int n = ++table.calls[Index(step)];
  return !table.armed.empty() && table.armed.count({Index(step), n}) != 0;
}

void FailFileStep(FileStep step, int nth) { Table().armed.insert({Index(step), nth}); }

void ResetFileFaults() {
  FaultTable& table = Table();
  table.armed.clear();
  for (int& count : table.calls) count = 0;
}

int FileStepCalls(FileStep step) { return Table().calls[Index(step)]; }

const char* FileStepName(FileStep step) {
  switch (step) {
    case FileStep::kOpen:
      return "open";
    case FileStep::kCreate:
      return "create";
    case FileStep::kRead:
      return "read";
    case FileStep::kWrite:
      return "write";
    case FileStep::kClose:
      return "close";
    case FileStep::kMove:
      return "move";
    case FileStep::kDelete:
      return "delete";
    case FileStep::kSetAttributes:
      return "set-attributes";
    case FileStep::kSetTime:
      return "set-time";
  }
  return "?";
}
