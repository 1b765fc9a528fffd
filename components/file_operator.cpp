#include "file_operator.h"

namespace {

constexpr unsigned kFlagBits = foAllowUndo | foConfirmMouse | foFilesOnly | foMultiDestFiles |
                               foNoConfirmation | foNoConfirmMkDir | foRenameOnCollision |
                               foSilent | foSimpleProgress;

std::string NameList(const std::string& commaSeparated) {
  std::string list = commaSeparated;
  for (char& c : list) {
    if (c == ',') c = '\0';
  }
  list.push_back('\0');
  return list;  // with the string's own terminator: two NULs at the end
}

std::string OneName(const std::string& name) {
  std::string list = name;
  list.push_back('\0');
  return list;
}

}  // namespace

TFileOperator::TFileOperator(forms::Component* owner) : Component(owner) {
  record_.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMMKDIR;
}

TFileOperator::~TFileOperator() {
  source_.clear();
  destination_.clear();
}

TFileOperation TFileOperator::Operation() const {
  switch (record_.wFunc) {
    case FO_MOVE:
      return TFileOperation::foMove;
    case FO_DELETE:
      return TFileOperation::foDelete;
    case FO_RENAME:
      return TFileOperation::foRename;
    default:
      return TFileOperation::foCopy;
  }
}

void TFileOperator::SetOperation(TFileOperation operation) {
  switch (operation) {
    case TFileOperation::foMove:
      record_.wFunc = FO_MOVE;
      break;
    case TFileOperation::foDelete:
      record_.wFunc = FO_DELETE;
      break;
    case TFileOperation::foRename:
      record_.wFunc = FO_RENAME;
      break;
    default:
      record_.wFunc = FO_COPY;
      break;
  }
}

TFileOperationFlags TFileOperator::Flags() const { return record_.fFlags & kFlagBits; }

void TFileOperator::SetFlags(TFileOperationFlags flags) {
  record_.fFlags = static_cast<FILEOP_FLAGS>((record_.fFlags & ~kFlagBits) | (flags & kFlagBits));
}

void TFileOperator::SetWantMappingHandle(bool value) {
  record_.fFlags = static_cast<FILEOP_FLAGS>(value ? record_.fFlags | FOF_WANTMAPPINGHANDLE
                                                   : record_.fFlags & ~FOF_WANTMAPPINGHANDLE);
}

void TFileOperator::SetSource(const std::string& names) { source_ = NameList(names); }
void TFileOperator::SetDestination(const std::string& names) { destination_ = NameList(names); }
void TFileOperator::SetSourceName(const std::string& name) { source_ = OneName(name); }
void TFileOperator::SetDestinationName(const std::string& name) { destination_ = OneName(name); }

bool TFileOperator::Execute() {
  record_.pFrom = source_.empty() ? nullptr : source_.c_str();
  record_.pTo = destination_.empty() ? nullptr : destination_.c_str();
  record_.hwnd = ParentForm != nullptr ? ParentForm->Handle() : nullptr;
  record_.fAnyOperationsAborted = FALSE;
  const int result = SHFileOperationA(&record_);
  return result == 0 && !record_.fAnyOperationsAborted;
}
