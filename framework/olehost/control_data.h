// The records a control binding hands the container: which control to create and which events to
// expect (the control-data record), and how each method travels by IDispatch::Invoke (the stub
// record). The binding owns both as constants; the container only reads them.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstdint>

namespace olehost {

constexpr int kMaxStubArgs = 12;

// One method call by DISPID: result type (VT_EMPTY for none, VT_I2, VT_I4, VT_BSTR, VT_BOOL),
// the call kind (DISPATCH_METHOD), the argument count, the named-argument count (always 0) and
// one type per argument in declaration order.
struct TInvokeStub {
  DISPID DispID;
  uint8_t ResultType;
  uint8_t CallKind;
  uint8_t ArgCount;
  uint8_t NamedArgCount;
  uint8_t ArgTypes[kMaxStubArgs];
};

// One event the sink expects: the types its arguments are converted to before the bound handler
// sees them (declaration order). Its DISPID is the entry of the same position in EventDispIDs.
struct TEventBinding {
  uint8_t ArgCount;
  uint8_t ArgTypes[kMaxStubArgs];
};

// What InitControlData gives the container. EventDispIDs holds EventCount entries; entry i is the
// DISPID the i-th event of the binding is bound to. The further fields of the record are unused
// and stay zero.
struct TControlData {
  CLSID ClassID;
  IID EventIID;
  int EventCount;
  const DISPID* EventDispIDs;
  const TEventBinding* Events;  // EventCount entries, in the order of EventDispIDs
  uint32_t Flags;               // unused: 0
  const void* Reserved;         // unused: null
};

// The persisted ControlData of a form: version 3.0, the extent in HIMETRIC units, a zero word.
struct TControlDataStream {
  uint32_t Version = 0x00030000;
  int32_t ExtentX = 0;
  int32_t ExtentY = 0;
  uint32_t Zero = 0;
};
static_assert(sizeof(TControlDataStream) == 16, "ControlData is 16 bytes");

}  // namespace olehost
