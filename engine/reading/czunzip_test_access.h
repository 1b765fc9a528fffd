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

  // The reader's input cursor, which only the reader's own walks steer, for the tests that step
  // it by hand.
  class Cursor {
   public:
    explicit Cursor(CZUnzip& u) : u_(u) {}
    BOOL InitArchive(const char* archiveName) { return u_.InitArchive(archiveName); }
    BOOL OpenArchiveFile() { return u_.OpenArchiveFile(); }
    void EndArchive() { u_.EndArchive(); }
    int FindEndCentralDir() { return u_.FindEndCentralDir(); }
    int ReadCentralHeader(BOOL full) { return u_.ReadCentralHeader(full); }
    int ReadFileName(unsigned length, uint16_t flags) { return u_.ReadFileName(length, flags); }
    long ReadBytes(void* destination, long n) { return u_.ReadBytes(destination, n); }
    int SeekTo(int64_t target) { return u_.SeekTo(target); }
    int SkipBytes(long n) { return u_.SkipBytes(n); }
    int ReadExtraField(unsigned n) { return u_.ReadExtraField(n); }
    int FillInputBuffer(uint16_t* byte) { return u_.FillInputBuffer(byte); }
    void FillBitBuffer() { u_.FillBitBuffer(); }
    size_t NextInputRun(const uint8_t** run) { return u_.NextInputRun(run); }
    int64_t InputPosition() const { return u_.InputPosition(); }

   private:
    CZUnzip& u_;
  };
};
