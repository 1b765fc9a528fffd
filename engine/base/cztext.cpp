// Storage, framework-string operations and the editing methods of CZText.
#include "base/cztext.h"

#include <algorithm>
#include <cstring>

#include "base/entry_case.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

char FirstChar(const char* text) { return text != nullptr ? text[0] : '\0'; }

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Field n (counted from 1) of text between occurrences of c, the last field closed by the end of
// the text. Sets *found to false when fewer than n fields exist. n below 1 gives the whole text.
std::string FieldOf(const std::string& text, int n, char c, bool* found) {
  *found = true;
  if (n < 1 || text.empty()) return text;
  if (c == '\0') {  // no separator can occur: the whole text is the one field
    if (n == 1) return text;
    *found = false;
    return std::string();
  }
  size_t start = 0;
  // A separator at the very end closes the last field; it does not open an empty one.
  size_t end = text.size();
  for (int i = 1;; ++i) {
    if (start >= end) break;
    size_t sep = text.find(c, start);
    if (sep == std::string::npos || sep >= end) sep = end;
    if (i == n) return text.substr(start, sep - start);
    start = sep + 1;
  }
  *found = false;
  return std::string();
}

}  // namespace

CZText::CZText(const char* text) : text_(text != nullptr ? text : "") {}
CZText::CZText(const std::string& text) : text_(text) {}

CZText& CZText::operator=(const char* text) {
  // Assigning from our own buffer must not read freed memory.
  std::string copy(text != nullptr ? text : "");
  text_.swap(copy);
  return *this;
}

CZText& CZText::operator=(const std::string& text) {
  text_ = text;
  return *this;
}

CZText& CZText::operator=(char c) {
  text_.assign(1, c);
  if (c == '\0') text_.clear();
  return *this;
}

char CZText::GetAt(int index) const {
  if (index < 0 || index >= GetLength()) return '\0';
  return text_[static_cast<size_t>(index)];
}

void CZText::SetAt(int index, char c) {
  if (index < 0 || index >= GetLength()) return;
  text_[static_cast<size_t>(index)] = c;
  if (c == '\0') text_.resize(static_cast<size_t>(index));
}

char* CZText::GetBufferMin(int nMinLen) {
  size_t wanted = nMinLen > 0 ? static_cast<size_t>(nMinLen) : 0;
  if (wanted == 0) wanted = text_.empty() ? 256 : text_.size();
  wanted = std::max(wanted, text_.size());
  // One byte beyond the wanted characters holds the caller's terminator.
  text_.resize(wanted + 1, '\0');
  return text_.data();
}

void CZText::ReleaseBuffer(int newLength) {
  size_t length = newLength >= 0 ? std::min(static_cast<size_t>(newLength), text_.size())
                                 : strnlen(text_.data(), text_.size());
  text_.resize(length);
}

CZText& CZText::operator+=(const CZText& other) {
  text_ += other.text_;
  return *this;
}

CZText& CZText::operator+=(const char* text) {
  if (text != nullptr) text_ += std::string(text);  // a copy first: text may point into text_
  return *this;
}

CZText& CZText::operator+=(char c) {
  if (c != '\0') text_ += c;
  return *this;
}

CZText operator+(const CZText& a, const CZText& b) {
  CZText result(a);
  result += b;
  return result;
}

CZText operator+(const CZText& a, const char* b) {
  CZText result(a);
  result += b;
  return result;
}

CZText operator+(const char* a, const CZText& b) {
  CZText result(a);
  result.flag_ = b.flag_;
  result += b;
  return result;
}

CZText operator+(const CZText& a, char b) {
  CZText result(a);
  result += b;
  return result;
}

bool operator==(const CZText& a, const char* b) { return a.text_ == (b != nullptr ? b : ""); }

int CZText::Compare(const char* other) const {
  return std::strcmp(text_.c_str(), other != nullptr ? other : "");
}

int CZText::CompareNoCase(const char* other) const {
  const unsigned char* a = reinterpret_cast<const unsigned char*>(text_.c_str());
  const unsigned char* b = reinterpret_cast<const unsigned char*>(other != nullptr ? other : "");
  for (;; ++a, ++b) {
    int ca = static_cast<unsigned char>(AsciiUpper(static_cast<char>(*a)));
    int cb = static_cast<unsigned char>(AsciiUpper(static_cast<char>(*b)));
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
}

int CZText::Find(char c, int start) const {
  if (start < 0) start = 0;
  if (c == '\0' || start >= GetLength()) return -1;
  size_t pos = text_.find(c, static_cast<size_t>(start));
  return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CZText::Find(const char* pattern, int start) const {
  if (start < 0) start = 0;
  if (pattern == nullptr || *pattern == '\0' || start > GetLength()) return -1;
  size_t pos = text_.find(pattern, static_cast<size_t>(start));
  return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CZText::ReverseFind(char c) const {
  if (c == '\0') return -1;
  size_t pos = text_.rfind(c);
  return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CZText::FindOneOf(const char* characters) const {
  if (characters == nullptr || *characters == '\0') return -1;
  size_t pos = text_.find_first_of(characters);
  return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

CZText CZText::Left(int count) const {
  CZText result(*this);
  result.text_ = text_.substr(0, count > 0 ? static_cast<size_t>(count) : 0);
  return result;
}

CZText CZText::Right(int count) const {
  CZText result(*this);
  size_t n = count > 0 ? std::min(static_cast<size_t>(count), text_.size()) : 0;
  result.text_ = text_.substr(text_.size() - n);
  return result;
}

CZText CZText::Mid(int first) const { return Mid(first, GetLength()); }

CZText CZText::Mid(int first, int count) const {
  CZText result(*this);
  if (first < 0) first = 0;
  if (count < 0 || first >= GetLength()) {
    result.text_.clear();
    return result;
  }
  result.text_ = text_.substr(static_cast<size_t>(first), static_cast<size_t>(count));
  return result;
}

void CZText::MakeUpper() { UpperCaseOem(text_); }

void CZText::MakeLower() {
  for (char& c : text_) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
}

void CZText::TrimLeft() {
  size_t n = 0;
  while (n < text_.size() && IsBlank(text_[n])) ++n;
  text_.erase(0, n);
}

void CZText::TrimRight() {
  size_t n = text_.size();
  while (n > 0 && IsBlank(text_[n - 1])) --n;
  text_.resize(n);
}

void CZText::AnsiToOem() {
  if (!text_.empty()) CharToOemBuffA(text_.data(), text_.data(), static_cast<DWORD>(text_.size()));
}

void CZText::OemToAnsi() {
  if (!text_.empty()) OemToCharBuffA(text_.data(), text_.data(), static_cast<DWORD>(text_.size()));
}

CZText CZText::SetTo(const std::string& value) {
  text_ = value;
  return *this;
}

CZText CZText::RemoveBlanks() {
  text_.erase(std::remove_if(text_.begin(), text_.end(), IsBlank), text_.end());
  return *this;
}

int CZText::CountSubstring(const char* pattern) const {
  if (pattern == nullptr || *pattern == '\0') return 0;
  const size_t m = std::strlen(pattern);
  std::string work = text_;
  int count = 0;
  size_t from = 0;
  for (;;) {
    size_t pos = work.find(pattern, from, m);
    if (pos == std::string::npos) return count;
    work.erase(pos, m);
    ++count;
    // Before pos there was no match; a new one can only straddle the join, so the search may go
    // on from m - 1 characters in front of it instead of from the beginning.
    from = pos >= m - 1 ? pos - (m - 1) : 0;
  }
}

int CZText::CountChar(char c) const {
  return static_cast<int>(std::count(text_.begin(), text_.end(), c));
}

CZText CZText::FormatInteger(long value, int radix, const char* groupSeparator) {
  if (radix < 2 || radix > 36) radix = 10;
  // Room for the 64 binary digits of the widest long and a sign.
  char digits[72];
  char* end = digits + sizeof digits;
  char* p = end;
  bool negative = radix == 10 && value < 0;
  unsigned long long magnitude;
  if (negative) {
    magnitude = 0ull - static_cast<unsigned long long>(static_cast<long long>(value));
  } else {
    // Other radixes show the bits of the value, as an unsigned number of long's width.
    magnitude = static_cast<unsigned long>(value);
  }
  do {
    unsigned digit = static_cast<unsigned>(magnitude % static_cast<unsigned>(radix));
    *--p = static_cast<char>(digit < 10 ? '0' + digit : 'a' + (digit - 10));
    magnitude /= static_cast<unsigned>(radix);
  } while (magnitude != 0);
  if (negative) *--p = '-';
  text_.assign(p, end);
  return GroupDigits(groupSeparator, ".");
}

CZText CZText::GroupDigits(const char* groupSeparator, const char* decimalSeparator) {
  std::string integerPart = text_;
  std::string fraction;
  bool hasFraction = false;
  size_t dot = text_.find('.');
  if (dot != std::string::npos) {
    hasFraction = true;
    integerPart = text_.substr(0, dot);
    size_t next = text_.find('.', dot + 1);
    fraction =
        text_.substr(dot + 1, next == std::string::npos ? std::string::npos : next - dot - 1);
  }
  const bool negative = !integerPart.empty() && integerPart[0] == '-';
  const size_t digitCount = integerPart.size() - (negative ? 1 : 0);
  const std::string separator = groupSeparator != nullptr ? groupSeparator : "";
  if (digitCount >= 4 && digitCount <= 15 && !separator.empty()) {
    std::string grouped = negative ? "-" : "";
    const std::string digits = integerPart.substr(negative ? 1 : 0);
    size_t firstGroup = digitCount % 3 == 0 ? 3 : digitCount % 3;
    grouped += digits.substr(0, firstGroup);
    for (size_t i = firstGroup; i < digitCount; i += 3) {
      grouped += separator;
      grouped += digits.substr(i, 3);
    }
    integerPart = grouped;
  }
  if (hasFraction) {
    integerPart += decimalSeparator != nullptr ? decimalSeparator : "";
    integerPart += fraction;
  }
  return SetTo(integerPart);
}

CZText CZText::DeleteAt(unsigned pos, unsigned count) {
  if (pos == 0 && count == 0) {
    text_.clear();
  } else if (pos <= text_.size() && count != 0) {
    text_.erase(pos, count);  // a count past the end removes the rest
  }
  return *this;
}

CZText CZText::Replace(const char* oldText, const char* newText) {
  if (oldText == nullptr || *oldText == '\0') return *this;
  const std::string from(oldText);
  const std::string to(newText != nullptr ? newText : "");
  std::string result;
  size_t start = 0;
  for (;;) {
    size_t pos = text_.find(from, start);
    if (pos == std::string::npos) break;
    result.append(text_, start, pos - start);
    result += to;
    start = pos + from.size();
  }
  result.append(text_, start, std::string::npos);
  return SetTo(result);
}

CZText CZText::InsertAt(const char* insert, int pos) {
  const std::string piece(insert != nullptr ? insert : "");
  size_t at = pos < 1 ? 0 : std::min(static_cast<size_t>(pos), text_.size());
  text_.insert(at, piece);
  return *this;
}

CZText CZText::InsertCharAt(char c, int pos) {
  const char piece[2] = {c, '\0'};
  return InsertAt(piece, pos);
}

CZText CZText::GetField(int n, const char* separator) {
  if (n < 1 || text_.empty()) return *this;
  bool found = false;
  std::string field = FieldOf(text_, n, FirstChar(separator), &found);
  return SetTo(found ? field : std::string());
}

CZText CZText::GetFieldByChar(int n, char separator) {
  const char sep[2] = {separator, '\0'};
  GetField(n, sep);
  CZText first(*this);
  first.text_ = text_.substr(0, 1);
  return first;
}

CZText CZText::Fill(char c, int count) {
  text_.assign(count > 0 && c != '\0' ? static_cast<size_t>(count) : 0, c);
  return *this;
}

CZText CZText::Truncate(int maxLen, BOOL ellipsis) {
  if (ellipsis) maxLen -= 3;
  if (maxLen < 0 || maxLen >= GetLength()) return *this;
  text_.resize(static_cast<size_t>(maxLen));
  if (ellipsis) text_ += "...";
  return *this;
}

CZText CZText::GetLeadingFields(int n, const char* separator) {
  return GetLeadingFieldsByChar(n, FirstChar(separator));
}

CZText CZText::GetLeadingFieldsByChar(int n, char separator) {
  if (separator == '\0' || text_.find(separator) == std::string::npos) return SetTo(std::string());
  std::string result;
  for (int k = n; k >= 1; --k) {
    bool found = false;
    std::string field = FieldOf(text_, k, separator, &found);
    if (field.empty() || field == text_) break;
    result = field + separator + result;
  }
  if (!result.empty() && result.front() == separator) result.erase(0, 1);
  if (!result.empty() && result.back() == separator) result.pop_back();
  return SetTo(result);
}

CZText CZText::GetFieldsFrom(int first, const char* separator) {
  return GetFieldsFromChar(first, FirstChar(separator));
}

CZText CZText::GetFieldsFromChar(int first, char separator) {
  if (separator == '\0' || text_.find(separator) == std::string::npos) return SetTo(std::string());
  std::string result;
  for (int k = first;; ++k) {
    bool found = false;
    std::string field = FieldOf(text_, k, separator, &found);
    if (field.empty() || field == text_) break;
    result += field;
    result += separator;
  }
  if (!result.empty() && result.back() == separator) result.pop_back();
  return SetTo(result);
}

BOOL CZText::IsLetterAt(int index) const {
  if (index < 0 || index >= GetLength()) return FALSE;
  return IsCharAlphaA(text_[static_cast<size_t>(index)]) ? TRUE : FALSE;
}

BOOL CZText::IsDigitAt(int index) const {
  if (index < 0 || index >= GetLength()) return FALSE;
  char c = text_[static_cast<size_t>(index)];
  return (IsCharAlphaNumericA(c) && !IsCharAlphaA(c)) ? TRUE : FALSE;
}
