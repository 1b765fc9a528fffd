#include "forms/string_list.h"

#include <windows.h>

#include <algorithm>
#include <stdexcept>

namespace forms {

int CompareText(const std::string& a, const std::string& b) {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) - 2;
}

namespace {
void CheckIndex(int index, int count) {
  if (index < 0 || index >= count)
    throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
}
}  // namespace

StringList& StringList::operator=(const StringList& other) {
  if (&other != this) {
    BeginUpdate();
    Clear();
    for (int i = 0; i < other.Count(); ++i) Add(other.Get(i));
    EndUpdate();
  }
  return *this;
}

std::string StringList::Get(int index) const {
  CheckIndex(index, static_cast<int>(items_.size()));
  return items_[static_cast<size_t>(index)];
}

void StringList::Put(int index, const std::string& text) { SetRaw(index, text); }

void StringList::SetRaw(int index, const std::string& text) {
  CheckIndex(index, static_cast<int>(items_.size()));
  items_[static_cast<size_t>(index)] = text;
  Changed();
}

void StringList::Insert(int index, const std::string& text) {
  if (index < 0 || index > static_cast<int>(items_.size())) CheckIndex(index, 0);
  items_.insert(items_.begin() + index, text);
  Changed();
}

void StringList::Delete(int index) {
  CheckIndex(index, static_cast<int>(items_.size()));
  items_.erase(items_.begin() + index);
  Changed();
}

void StringList::Clear() {
  if (items_.empty()) return;
  items_.clear();
  Changed();
}

int StringList::Add(const std::string& text) {
  const int index = Count();
  Insert(index, text);
  return index;
}

void StringList::AddStrings(const StringList& other) {
  BeginUpdate();
  for (int i = 0; i < other.Count(); ++i) Add(other.Get(i));
  EndUpdate();
}

int StringList::IndexOf(const std::string& text) const {
  for (int i = 0; i < Count(); ++i) {
    const std::string item = Get(i);
    if (CaseSensitive ? item == text : CompareText(item, text) == 0) return i;
  }
  return -1;
}

void StringList::Exchange(int first, int second) {
  CheckIndex(first, Count());
  CheckIndex(second, Count());
  std::swap(items_[static_cast<size_t>(first)], items_[static_cast<size_t>(second)]);
  Changed();
}

void StringList::Move(int from, int to) {
  if (from == to) return;
  CheckIndex(from, Count());
  CheckIndex(to, Count());
  std::string item = items_[static_cast<size_t>(from)];
  items_.erase(items_.begin() + from);
  items_.insert(items_.begin() + to, item);
  Changed();
}

void StringList::Sort() {
  std::stable_sort(items_.begin(), items_.end(), [](const std::string& a, const std::string& b) {
    return CompareText(a, b) < 0;
  });
  Changed();
}

void StringList::SetSorted(bool sorted) {
  if (sorted && !sorted_) Sort();
  sorted_ = sorted;
}

std::string StringList::Text() const {
  std::string text;
  for (int i = 0; i < Count(); ++i) text += Get(i) + "\r\n";
  return text;
}

void StringList::SetText(const std::string& text) {
  BeginUpdate();
  Clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    Add(text.substr(start, end - start));
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
      ++end;
    start = end + 1;
  }
  EndUpdate();
}

std::string StringList::Name(int index) const {
  const std::string line = Get(index);
  const size_t equals = line.find('=');
  return equals == std::string::npos ? std::string() : line.substr(0, equals);
}

int StringList::IndexOfName(const std::string& name) const {
  for (int i = 0; i < Count(); ++i) {
    const std::string line = Get(i);
    const size_t equals = line.find('=');
    if (equals != std::string::npos && CompareText(line.substr(0, equals), name) == 0) return i;
  }
  return -1;
}

std::string StringList::Value(const std::string& name) const {
  const int index = IndexOfName(name);
  if (index < 0) return "";
  const std::string line = Get(index);
  return line.substr(line.find('=') + 1);
}

void StringList::SetValue(const std::string& name, const std::string& value) {
  const int index = IndexOfName(name);
  if (index >= 0) {
    Put(index, name + "=" + value);
  } else {
    Add(name + "=" + value);
  }
}

void StringList::EndUpdate() {
  if (updateCount_ > 0) --updateCount_;
  if (updateCount_ == 0) Changed();
}

void StringList::Changed() {
  if (updateCount_ == 0 && OnChange) OnChange();
}

}  // namespace forms
