// The OLE-control container: creates one control in process, sites it in a parent window, keeps it
// active in place for its life, calls its methods by DISPID from stub records and hands its events
// to the binding. A binding derives from TOleControl and says in InitControlData which control it
// wants and which events it expects.
//
// Creation: CoCreateInstance (context 5, IID_IOleObject); the client site set first; the
// persisted ControlData loaded through IPersistStreamInit (InitNew without one); the event sink
// advised; DoVerb(OLEIVERB_INPLACEACTIVATE) into the parent, so the control window exists (the
// control fires no event without one) when CreateControl returns. Teardown undoes it in order:
// Unadvise, InPlaceDeactivate, Close(OLECLOSE_NOSAVE), SetClientSite(NULL), Release.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include <exception>
#include <initializer_list>
#include <string>
#include <vector>

#include "activex/com_ref.h"
#include "olehost/control_data.h"
#include "olehost/ole_errors.h"

namespace olehost {

class ControlSite;
class EventSink;

// One argument of a method call, as its stub record declares it.
class TInvokeArg {
 public:
  static TInvokeArg Text(const std::string& ansi) { return TInvokeArg(VT_BSTR, 0, ansi); }
  static TInvokeArg Short(short value) { return TInvokeArg(VT_I2, value, {}); }
  static TInvokeArg Long(int32_t value) { return TInvokeArg(VT_I4, value, {}); }
  // TRUE travels as the value 1, FALSE as 0.
  static TInvokeArg Bool(bool value) { return TInvokeArg(VT_BOOL, value ? 1 : 0, {}); }

  VARTYPE type() const { return type_; }
  int32_t number() const { return number_; }
  const std::string& text() const { return text_; }

 private:
  TInvokeArg(VARTYPE type, int32_t number, std::string text)
      : type_(type), number_(number), text_(std::move(text)) {}
  VARTYPE type_;
  int32_t number_;
  std::string text_;
};

// A method's result, already of the stub record's result type; owns its value.
class TInvokeResult {
 public:
  TInvokeResult() { VariantInit(&value_); }
  ~TInvokeResult() { VariantClear(&value_); }
  TInvokeResult(TInvokeResult&& other) noexcept : value_(other.value_) {
    VariantInit(&other.value_);
  }
  TInvokeResult& operator=(TInvokeResult&&) = delete;
  TInvokeResult(const TInvokeResult&) = delete;

  VARIANT* get() { return &value_; }
  const VARIANT& value() const { return value_; }
  short AsShort() const { return V_VT(&value_) == VT_I2 ? V_I2(&value_) : 0; }
  int32_t AsLong() const { return V_VT(&value_) == VT_I4 ? V_I4(&value_) : 0; }
  // Any non-zero VARIANT_BOOL counts as TRUE.
  bool AsBool() const { return V_VT(&value_) == VT_BOOL && V_BOOL(&value_) != 0; }
  std::string AsText() const {
    return V_VT(&value_) == VT_BSTR ? AnsiFromBstr(V_BSTR(&value_)) : std::string();
  }

 private:
  VARIANT value_;
};

// An event's arguments in declaration order, converted to the binding's types.
class TEventArgs {
 public:
  explicit TEventArgs(size_t count) : values_(count) {
    for (VARIANT& v : values_) VariantInit(&v);
  }
  ~TEventArgs() {
    for (VARIANT& v : values_) VariantClear(&v);
  }
  TEventArgs(const TEventArgs&) = delete;
  TEventArgs& operator=(const TEventArgs&) = delete;

  size_t Count() const { return values_.size(); }
  VARIANT* at(size_t index) { return &values_[index]; }
  std::string Text(size_t index) const {
    return V_VT(&values_[index]) == VT_BSTR ? AnsiFromBstr(V_BSTR(&values_[index])) : std::string();
  }
  short Short(size_t index) const { return V_I2(&values_[index]); }
  int32_t Long(size_t index) const { return V_I4(&values_[index]); }
  bool Bool(size_t index) const { return V_BOOL(&values_[index]) != 0; }

 private:
  std::vector<VARIANT> values_;
};

class TOleControl {
 public:
  TOleControl();
  virtual ~TOleControl();
  TOleControl(const TOleControl&) = delete;
  TOleControl& operator=(const TOleControl&) = delete;

  // Creates the control active in place in parent at bounds (client pixels of parent). Without
  // controlData the control starts from InitNew. Throws EOleSysError on any failed step (and
  // leaves nothing created).
  void CreateControl(HWND parent, const RECT& bounds, const TControlDataStream* controlData);
  // Tears the control down (also done by the destructor).
  void DestroyControl() noexcept;
  bool HandleAllocated() const { return static_cast<bool>(oleObject_); }

  // The stock property Hwnd (DISPID -515) read from the control.
  HWND Hwnd();
  // Calls a method as its stub record says: the arguments in declaration order, their types
  // checked against the record. A failed call throws EOleException (with the control's
  // description) or EOleSysError.
  TInvokeResult InvokeMethod(const TInvokeStub& stub, std::initializer_list<TInvokeArg> args);

  IOleObject* OleObject() const { return oleObject_.get(); }
  IDispatch* ControlDispatch() const { return dispatch_.get(); }
  HWND ParentWindow() const { return parent_; }
  const RECT& Bounds() const { return bounds_; }

 protected:
  virtual const TControlData& InitControlData() = 0;
  // An event the control fired, its arguments converted; index is its position in the
  // control-data record's event list.
  virtual void InvokeEvent(int index, DISPID id, TEventArgs& args) {}
  // The control's bracket around a modal prompt (FALSE before, TRUE after). The frame answers
  // S_OK in any case.
  virtual void EnableModeless(bool enable) {}
  // An exception that left an event handler; it never reaches the control. A form reports it
  // with its standard exception message; this default only writes it to the debugger.
  virtual void HandleEventException(std::exception_ptr error) noexcept;

 private:
  friend class ControlSite;
  friend class EventSink;
  void ReleaseAll() noexcept;

  HWND parent_ = nullptr;
  RECT bounds_ = {0, 0, 0, 0};
  const TControlData* data_ = nullptr;
  activex::ComRef<IOleObject> oleObject_;
  activex::ComRef<IDispatch> dispatch_;
  activex::ComRef<IConnectionPoint> eventPoint_;
  DWORD eventCookie_ = 0;
  activex::ComRef<ControlSite> site_;
  activex::ComRef<EventSink> sink_;
};

}  // namespace olehost
