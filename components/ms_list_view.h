// TMSListView: a list view whose texts and images come from its owner through one event and
// whose item data belong to somebody else: deletions are swallowed, so removing items never
// fires OnDeletion and never touches the item data (the compression control frees its own).
#pragma once

#include <functional>

#include "forms/list_view.h"

using TLVGetDispInfoEvent = std::function<void(forms::Component& sender, NMHDR* ptNMHdr)>;

class TMSListView : public forms::ListView {
 public:
  TMSListView(forms::Component* owner, forms::WinControl* parent,
              const CreateArgs& args = CreateArgs())
      : ListView(owner, parent, args) {}
  // Called with the header of the list view's NMLVDISPINFOA record.
  TLVGetDispInfoEvent OnGetDispInfo;

 protected:
  void Notify(forms::Message& message) override;
};
