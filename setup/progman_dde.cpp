#include "progman_dde.h"

#include <vector>

#include "forms/guard.h"

namespace setup {

TDdeClientConv::TDdeClientConv(forms::Component* owner, std::string service, std::string topic)
    : Component(owner), service_(std::move(service)), topic_(std::move(topic)) {
  SetName("DdeClient");
}

TDdeClientConv::~TDdeClientConv() {
  if (instance_ != 0) DdeUninitialize(instance_);
}

HDDEDATA CALLBACK TDdeClientConv::Callback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR,
                                           ULONG_PTR) {
  return nullptr;  // a client only: nothing to answer
}

bool TDdeClientConv::ExecuteMacro(const std::string& macro) {
  if (instance_ == 0 &&
      DdeInitializeA(&instance_, Callback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) {
    instance_ = 0;
    return false;
  }
  HSZ service = DdeCreateStringHandleA(instance_, service_.c_str(), CP_WINANSI);
  HSZ topic = DdeCreateStringHandleA(instance_, topic_.c_str(), CP_WINANSI);
  bool done = false;
  if (service != nullptr && topic != nullptr) {
    HCONV conversation = DdeConnect(instance_, service, topic, nullptr);
    if (conversation != nullptr) {
      std::vector<char> text(macro.begin(), macro.end());
      text.push_back('\0');
      DWORD result = 0;
      HDDEDATA answer = DdeClientTransaction(reinterpret_cast<LPBYTE>(text.data()),
                                             static_cast<DWORD>(text.size()), conversation, nullptr,
                                             CF_TEXT, XTYP_EXECUTE, 10000, &result);
      done = answer != nullptr;
      DdeDisconnect(conversation);
    }
  }
  if (service != nullptr) DdeFreeStringHandle(instance_, service);
  if (topic != nullptr) DdeFreeStringHandle(instance_, topic);
  return done;
}

std::string CreateGroupMacro(const std::string& group) {
  return "[CreateGroup(\"" + group + "\")]\r\n";
}

std::string AddItemMacro(const std::string& commandLine, const std::string& name) {
  return "[AddItem(\"" + commandLine + "\",\"" + name + "\")]";
}

}  // namespace setup
