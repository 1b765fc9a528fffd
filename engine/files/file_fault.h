// A failure seam for the file-system steps of the engine's file operations. Production code asks
// FileStepFails before each step and, when it answers true, behaves as if the system call had
// failed. Tests arm chosen calls of chosen steps to show that every failure path leaves the files
// in a sound state. Nothing is armed unless a test arms it.
#pragma once

enum class FileStep : int {
  kOpen = 0,  // opening an existing file
  kCreate,    // creating (or truncating) a file
  kRead,
  kWrite,
  kClose,
  kMove,  // renaming or moving a file
  kDelete,
  kSetAttributes,
  kSetTime,
};
inline constexpr int kFileStepKinds = 9;

// True when this call of step is to fail. Counts every call, armed or not.
bool FileStepFails(FileStep step);

// Test controls. FailFileStep arms the nth call of step counted from the last reset (1: the
// first); several calls may be armed at once. ResetFileFaults disarms everything and zeroes the
// counters.
void FailFileStep(FileStep step, int nth);
void ResetFileFaults();
int FileStepCalls(FileStep step);
const char* FileStepName(FileStep step);

// Disarms and zeroes on construction and destruction, so that a test's faults never leak into
// the next test.
class ScopedFileFaults {
 public:
  ScopedFileFaults() { ResetFileFaults(); }
  ~ScopedFileFaults() { ResetFileFaults(); }
  ScopedFileFaults(const ScopedFileFaults&) = delete;
  ScopedFileFaults& operator=(const ScopedFileFaults&) = delete;
};
