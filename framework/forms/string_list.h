// A list of strings with the operations the forms need: add, insert, delete, find (case
// ignored unless CaseSensitive), sort, text with CR LF, and name=value lines. Get, Put, Insert
// and Delete are virtual so that a derived list can pack more into each stored string.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace forms {

class StringList {
 public:
  StringList() = default;
  virtual ~StringList() = default;
  StringList(const StringList& other) : items_(other.items_) {}
  StringList& operator=(const StringList& other);

  virtual int Count() const { return static_cast<int>(items_.size()); }
  virtual std::string Get(int index) const;
  virtual void Put(int index, const std::string& text);
  virtual void Insert(int index, const std::string& text);
  virtual void Delete(int index);
  virtual void Clear();
  int Add(const std::string& text);
  void AddStrings(const StringList& other);
  std::string operator[](int index) const { return Get(index); }
  int IndexOf(const std::string& text) const;
  void Exchange(int first, int second);
  void Move(int from, int to);
  // Sorts by the stored strings with a case-ignoring comparison.
  void Sort();
  void SetSorted(bool sorted);
  bool Sorted() const { return sorted_; }
  bool CaseSensitive = false;

  // Lines joined with CR LF (each line ended by it); setting splits at CR LF, LF or CR.
  std::string Text() const;
  void SetText(const std::string& text);
  // "name=value" lines: the name of line i (text before the first '='), the value of a name.
  std::string Name(int index) const;
  std::string Value(const std::string& name) const;
  void SetValue(const std::string& name, const std::string& value);
  int IndexOfName(const std::string& name) const;

  // The stored strings, whatever Get makes of them.
  const std::string& Raw(int index) const { return items_.at(static_cast<size_t>(index)); }
  void SetRaw(int index, const std::string& text);

  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();
  std::function<void()> OnChange;

 protected:
  void Changed();
  std::vector<std::string> items_;
  bool sorted_ = false;

 private:
  int updateCount_ = 0;
};

int CompareText(const std::string& a, const std::string& b);

}  // namespace forms
