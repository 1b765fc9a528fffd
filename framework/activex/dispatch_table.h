// One table of descriptors per dispatch interface: each member's DISPID, name, parameter names and
// types, result type and handler. The same table drives Invoke and the check of the type library,
// so that a DISPID or a type cannot drift between them.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <span>
#include <string>

namespace activex {

class ActiveXControl;

enum class ArgType : unsigned char { kVoid, kShort, kLong, kDouble, kBool, kText };

// The automation type of a parameter or result (VT_VOID for kVoid).
VARTYPE VariantTypeOf(ArgType type);

// How a text argument reaches the handler. The engine holds every name (archive, file, folder,
// mask, entry) in the OEM code page while callers speak ANSI: a parameter marked kOem is
// converted once, here, so that no handler can forget it. Other texts (passwords, comments,
// captions) arrive as the caller gave them.
enum class TextForm : unsigned char { kAnsi, kOem };

struct ParamSpec {
  ArgType type = ArgType::kVoid;
  const char* name = nullptr;
  TextForm form = TextForm::kAnsi;  // only for kText
};

constexpr int kMaxParams = 12;

enum class MemberKind : unsigned char { kMethod, kReadOnlyProperty };

class DispatchCall;
using DispatchHandler = void (*)(ActiveXControl& control, DispatchCall& call);

struct DispatchMember {
  DISPID id;
  const char* name;
  ArgType result;
  ParamSpec params[kMaxParams];  // the used ones first; the rest stay empty
  DispatchHandler handler;
  double failure;   // the result when the member cannot do its work (ignored for text: "")
  int requirement;  // what the member needs of the object; interpreted by the control
  MemberKind kind = MemberKind::kMethod;

  int ParamCount() const {
    int count = 0;
    while (count < kMaxParams && params[count].name != nullptr) ++count;
    return count;
  }
};

// An event of an outgoing dispatch interface (no result).
struct EventMember {
  DISPID id;
  const char* name;
  ParamSpec params[kMaxParams];

  int ParamCount() const {
    int count = 0;
    while (count < kMaxParams && params[count].name != nullptr) ++count;
    return count;
  }
};

// The arguments of one call, converted to the member's parameter types, and its result.
class DispatchCall {
 public:
  explicit DispatchCall(const DispatchMember& member);
  ~DispatchCall();
  DispatchCall(const DispatchCall&) = delete;
  DispatchCall& operator=(const DispatchCall&) = delete;

  const DispatchMember& member() const { return member_; }

  // Converts the caller's arguments (given in reverse order, by value or by reference). On a
  // mismatch returns DISP_E_TYPEMISMATCH with *argError the caller's index of the argument.
  HRESULT Convert(const DISPPARAMS& params, UINT* argError);

  // Text arguments as zero-terminated ANSI, or OEM where the parameter is marked kOem; a null
  // string gives "".
  const char* Text(int index) const { return texts_[index].c_str(); }
  short Short(int index) const { return args_[index].iVal; }
  long Long(int index) const { return args_[index].lVal; }
  double Double(int index) const { return args_[index].dblVal; }
  // Any non-zero value counts as TRUE.
  bool Bool(int index) const { return args_[index].boolVal != 0; }

  // The result, narrowed to the member's result type (a BOOL becomes VARIANT_TRUE or 0).
  void Return(double value);
  void ReturnText(const char* ansi);
  // A text the engine holds in OEM (a name, a path, a comment), handed back in ANSI.
  void ReturnOemText(const char* oem);
  // The member's failure value.
  void ReturnFailure();
  // Makes the call fail with DISP_E_EXCEPTION and this description.
  void Raise(const std::wstring& description, HRESULT code = E_FAIL);

  bool raised() const { return raised_; }
  const std::wstring& description() const { return description_; }
  HRESULT code() const { return code_; }
  // Hands the result over (VT_EMPTY for a member without result).
  void TakeResult(VARIANT* result);

 private:
  const DispatchMember& member_;
  VARIANT args_[kMaxParams];
  std::string texts_[kMaxParams];
  VARIANT result_;
  bool raised_ = false;
  std::wstring description_;
  HRESULT code_ = S_OK;
};

// IDispatch::Invoke over a member table. `available` decides whether the member may run on this
// object; when it says no the member gives its failure value.
HRESULT InvokeFromTable(ActiveXControl& control, std::span<const DispatchMember> table, DISPID id,
                        WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                        UINT* argError, bool (*available)(ActiveXControl&, const DispatchMember&));

const DispatchMember* FindMember(std::span<const DispatchMember> table, DISPID id);

// ANSI <-> automation string helpers.
std::string AnsiFromWide(const wchar_t* text, int length);
BSTR AllocStringFromAnsi(const char* ansi);
// An engine text (OEM code page) as an automation string; null gives "".
BSTR AllocStringFromOem(const char* oem);
// The text in the OEM code page / back in ANSI (CharToOemBuffA / OemToCharBuffA; ASCII stays).
std::string OemFromAnsiText(std::string text);
std::string AnsiFromOemText(std::string text);

}  // namespace activex
