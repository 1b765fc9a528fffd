// TFileOperator: the shell's copy, move, delete and rename (SHFileOperationA) with the shell's
// own progress and confirmation dialogs.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "forms/component.h"
#include "forms/form.h"

enum class TFileOperation { foCopy, foDelete, foMove, foRename };
enum TFileOperationFlag : unsigned {
  foAllowUndo = 0x40,
  foConfirmMouse = 0x2,
  foFilesOnly = 0x80,
  foMultiDestFiles = 0x1,
  foNoConfirmation = 0x10,
  foNoConfirmMkDir = 0x200,
  foRenameOnCollision = 0x8,
  foSilent = 0x4,
  foSimpleProgress = 0x100,
};
using TFileOperationFlags = unsigned;

class TFileOperator : public forms::Component {
 public:
  explicit TFileOperator(forms::Component* owner);
  ~TFileOperator() override;
  TFileOperation Operation() const;
  void SetOperation(TFileOperation operation);
  TFileOperationFlags Flags() const;
  void SetFlags(TFileOperationFlags flags);
  bool WantMappingHandle() const { return (record_.fFlags & FOF_WANTMAPPINGHANDLE) != 0; }
  void SetWantMappingHandle(bool value);
  std::string ProgressTitle = "File  Operation";
  forms::Form* ParentForm = nullptr;
  // A comma-separated list of names (names cannot hold commas).
  void SetSource(const std::string& names);
  void SetDestination(const std::string& names);
  // One name, whole (commas and all).
  void SetSourceName(const std::string& name);
  void SetDestinationName(const std::string& name);
  const std::string& SourceList() const { return source_; }
  const std::string& DestinationList() const { return destination_; }
  // True when the shell did the whole operation (not when the user stopped part of it).
  bool Execute();
  // The function code and flags of the operation record.
  UINT Function() const { return record_.wFunc; }
  FILEOP_FLAGS RawFlags() const { return record_.fFlags; }

 private:
  SHFILEOPSTRUCTA record_ = {};
  std::string source_;
  std::string destination_;
};
