// The tests' view of CZUnzip's private fields: what a test sets up before a step of the reader
// or reads back after it (a friend of the class). Test programs only.
#pragma once

#include "reading/czunzip.h"

struct CZUnzipTestAccess {
  static BOOL& AskPassword(CZUnzip& u) { return u.askPassword_; }
  static BOOL& EraseReadOnly(CZUnzip& u) { return u.eraseReadOnly_; }
  static BOOL& Cancel(CZUnzip& u) { return u.cancel_; }
  static HWND& NotifyWindow(CZUnzip& u) { return u.notifyWindow_; }
  static int& LastPasswordAnswer(CZUnzip& u) { return u.lastPasswordAnswer_; }
  static int& LastReplaceAnswer(CZUnzip& u) { return u.lastReplaceAnswer_; }
  static int64_t& CompressedLeft(CZUnzip& u) { return u.compressedLeft_; }
  static uint32_t& BitBuffer(CZUnzip& u) { return u.bitBuffer_; }
  static int& BitCount(CZUnzip& u) { return u.bitCount_; }
  static BOOL& EndOfInput(CZUnzip& u) { return u.endOfInput_; }
  static UnzipLocalHeader& Local(CZUnzip& u) { return u.local_; }
  static CipherKeys& Keys(CZUnzip& u) { return u.keys_; }
  static BOOL& DecryptRefills(CZUnzip& u) { return u.decryptRefills_; }
  static uint32_t& BytesWritten(CZUnzip& u) { return u.bytesWritten_; }
  static uint32_t& OutputCount(CZUnzip& u) { return u.outputCount_; }
  static const CZText& MessageName(const CZUnzip& u) { return u.messageName_; }
};
