// TDdeClientConv: a DDE conversation with one service and topic (the installer's with
// "Progman"), its link opened before each macro and closed after it.
#pragma once

#include <windows.h>
#include <ddeml.h>

#include <string>

#include "forms/component.h"

namespace setup {

class TDdeClientConv : public forms::Component {
 public:
  TDdeClientConv(forms::Component* owner, std::string service, std::string topic);
  ~TDdeClientConv() override;
  // Connects, sends the macro as an execute transaction and disconnects; true when the server
  // carried it out.
  bool ExecuteMacro(const std::string& macro);
  const std::string& Service() const { return service_; }

 private:
  static HDDEDATA CALLBACK Callback(UINT type, UINT format, HCONV conversation, HSZ topic, HSZ item,
                                    HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2);
  std::string service_;
  std::string topic_;
  DWORD instance_ = 0;
};

// The Program Manager's macros: the name and the arguments go in double quotes, so a comma or a
// bracket stays in them.
std::string CreateGroupMacro(const std::string& group);
std::string AddItemMacro(const std::string& commandLine, const std::string& name);

}  // namespace setup
