// The item list builder, the list-box sorter and the release of list-view records (item_list.h).
#include "item_list.h"

#include <windows.h>
#include <commctrl.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/engine_utils.h"
#include "icon_cache.h"
#include "reading/czunzip.h"
#include "reading/zip_item_records.h"

namespace qx30w32 {
namespace {

// Entries above which a list view is filled in report style.
constexpr long kReportStyleAbove = 100;
constexpr long kNoProbesFrom = 500;  // entries from which Windows icons are not probed

bool IsListView(HWND list) {
  char name[32] = {};
  GetClassNameA(list, name, sizeof name);
  return lstrcmpiA(name, WC_LISTVIEWA) == 0;
}

// The icon lookups of one build: WIN.INI's associations and the probe files, each asked once per
// extension (every lookup is several calls into the system, and an archive's entries share a
// few extensions).
class BuildLookups final : public zipitem::IconLookups {
 public:
  explicit BuildLookups(const CZText& probeFolder) : probeFolder_(probeFolder) {}
  bool HasAssociatedProgram(const std::string& extension) override {
    const auto known = associated_.find(extension);
    if (known != associated_.end()) return known->second;
    CZText program;
    const bool associated = !program.GetAssociatedProgram(("X." + extension).c_str()).IsEmpty();
    associated_.emplace(extension, associated);
    return associated;
  }
  int32_t ProbeSystemIcon(const std::string& extension) override {
    const auto known = probed_.find(extension);
    if (known != probed_.end()) return known->second;
    const int32_t icon = ProbeExtensionIcon(probeFolder_, extension);
    probed_.emplace(extension, icon);
    return icon;
  }

 private:
  const CZText& probeFolder_;
  std::map<std::string, bool> associated_;
  std::map<std::string, int32_t> probed_;
};

// The list view's style switched to report for the fill and put back on every path out.
class ReportStyleForFill {
 public:
  ReportStyleForFill(HWND list, bool wanted) : list_(list) {
    if (!wanted) return;
    saved_ = GetWindowLongA(list, GWL_STYLE);
    if ((saved_ & LVS_TYPEMASK) == LVS_REPORT) return;
    SetWindowLongA(list, GWL_STYLE, (saved_ & ~2L) | LVS_REPORT);
    switched_ = true;
  }
  ~ReportStyleForFill() {
    if (switched_) SetWindowLongA(list_, GWL_STYLE, saved_);
  }
  ReportStyleForFill(const ReportStyleForFill&) = delete;
  ReportStyleForFill& operator=(const ReportStyleForFill&) = delete;

 private:
  HWND list_;
  LONG saved_ = 0;
  bool switched_ = false;
};

// The list box as the Shell sort sees it.
class ListBoxAccess {
 public:
  ListBoxAccess(HWND list, BOOL background) : list_(list), background_(background) {}
  int Count() const {
    const LRESULT count = SendMessageA(list_, LB_GETCOUNT, 0, 0);
    return count == LB_ERR || count < 0 ? 0 : static_cast<int>(count);
  }
  std::string Read(int i) const {
    const LRESULT length = SendMessageA(list_, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length == LB_ERR || length < 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const LRESULT got = SendMessageA(list_, LB_GETTEXT, static_cast<WPARAM>(i),
                                     reinterpret_cast<LPARAM>(text.data()));
    if (got == LB_ERR || got < 0) return std::string();
    text.resize(static_cast<size_t>(got) < text.size() ? static_cast<size_t>(got) : length);
    return text;
  }
  void Swap(int j, int jh, const std::string& first, const std::string& second) {
    SendMessageA(list_, LB_DELETESTRING, static_cast<WPARAM>(j), 0);
    SendMessageA(list_, LB_DELETESTRING, static_cast<WPARAM>(jh - 1), 0);
    SendMessageA(list_, LB_INSERTSTRING, static_cast<WPARAM>(j),
                 reinterpret_cast<LPARAM>(second.c_str()));
    SendMessageA(list_, LB_INSERTSTRING, static_cast<WPARAM>(jh),
                 reinterpret_cast<LPARAM>(first.c_str()));
  }
  void Tick() {
    if (background_) PumpMessages(nullptr);
  }

 private:
  HWND list_;
  BOOL background_;
};

int CompareAnsi(const char* a, const char* b) { return lstrcmpA(a, b); }

void SortListBox(HWND list, short mode, BOOL background) {
  ListBoxAccess access(list, background);
  zipitem::ShellSort(access, mode, CompareAnsi);
}

zipitem::EntryFacts FactsOf(const UnzipCentralHeader& header) {
  zipitem::EntryFacts facts;
  facts.externalAttributes = header.externalAttributes;
  facts.flags = header.flags;
  facts.method = header.method;
  facts.time = header.time;
  facts.date = header.date;
  facts.crc = header.crc32;
  facts.compressedSize = header.compressedSize;
  facts.uncompressedSize = header.uncompressedSize;
  facts.commentLength = header.commentLength;
  return facts;
}

// The items of one build, from the reader's walk of the archive's directory into the window; 0,
// -1 or -2. found: whether the archive's directory was found (else the result is -1).
short FillList(CZUnzip& reader, const ItemListRequest& request, bool windowsIcons, bool* found) {
  const bool listView = request.listView != FALSE;
  BuildLookups lookups(request.probeFolder);
  std::optional<ReportStyleForFill> style;
  short result = 0;
  const CentralWalk walk = reader.ForEachCentralEntry(request.archiveName, [&](unsigned index,
                                                                               int nameResult) {
    const long i = static_cast<long>(index);
    if (i == 0) {
      // The directory is found: the window gets ready for its entries.
      const long count = reader.EndRecord().totalEntries;
      if (count >= kNoProbesFrom) windowsIcons = false;
      if (listView) SendMessageA(request.list, LVM_SETITEMCOUNT, static_cast<WPARAM>(count), 0);
      style.emplace(request.list,
                    listView && count > kReportStyleAbove && IsListView(request.list));
    }
    // An entry whose name was cut cannot be listed under its name.
    if (nameResult != kUnzipOk) {
      result = kItemListUnusable;
      return false;
    }
    if (request.background && i % 25 == 0) PumpMessages(nullptr);
    const UnzipCentralHeader& header = reader.CentralHeader();
    if (i >= request.firstEntry) {
      const zipitem::EntryFacts facts = FactsOf(header);
      CZText dir;
      CZText name;
      if (zipitem::IsFolder(facts)) {
        dir = reader.EntryName();
        name = " ";
      } else {
        CZUnzip::SplitItemPath(reader.EntryName(), dir, name);
      }
      if (request.detection != nullptr) request.detection->Consider(dir.str(), name.str());
      const int32_t icon =
          zipitem::IconIndex(zipitem::IsFolder(facts), zipitem::IsEncrypted(facts), name.str(),
                             reader.SystemIconCount(), windowsIcons, lookups);
      if (request.listView) {
        ZIPITEM* record = NewZipItemRecord();
        if (record == nullptr) {
          result = kItemListRefused;
          return false;
        }
        zipitem::FillRecord(facts, dir.str(), name.str(), icon, record);
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        item.iItem = static_cast<int>(i);
        item.pszText = LPSTR_TEXTCALLBACKA;
        item.iImage = icon;
        item.lParam = reinterpret_cast<LPARAM>(record);
        if (SendMessageA(request.list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)) < 0) {
          FreeZipItemRecord(record);
          result = kItemListRefused;
          return false;
        }
      } else {
        const std::string text = zipitem::FormatText(facts, dir.str(), name.str(), icon);
        if (SendMessageA(request.list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())) <
            0) {
          result = kItemListRefused;
          return false;
        }
      }
    }
    return true;
  });
  *found = walk.Accepted();
  if (!*found) return kItemListUnusable;
  // An empty directory lists nothing; a broken one makes the archive unusable.
  if (walk.Broken() && !walk.closedEmpty) return kItemListUnusable;
  return result;
}

}  // namespace

void DestroyZIPITEMLParam(HWND list) {
  if (list == nullptr || !IsWindow(list)) return;
  const LRESULT count = SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
  if (count <= 0) return;
  std::vector<LPARAM> records;
  try {
    records.reserve(static_cast<size_t>(count));
  } catch (...) {
    return;  // nothing collected: the items stay with their records
  }
  for (LRESULT i = count - 1; i >= 0; --i) {
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = static_cast<int>(i);
    if (SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) {
      records.push_back(item.lParam);
    }
  }
  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  // Only the records this process made are freed; a host's own item data is left alone.
  for (LPARAM record : records) FreeZipItemRecord(reinterpret_cast<const void*>(record));
  if (IsWindowVisible(list)) {
    RECT r = {};
    GetWindowRect(list, &r);
    SendMessageA(list, WM_SIZE, SIZE_RESTORED, MAKELPARAM(r.right - r.left, r.bottom - r.top));
  }
}

BOOL SortZIPITEMList(HWND list, short mode, BOOL background) {
  if (list == nullptr || !IsWindow(list)) return FALSE;
  SortListBox(list, mode, background);
  return TRUE;
}

short BuildZIPITEMList(CZUnzip& reader, const ItemListRequest& request) {
  if (request.background) PumpMessages(nullptr);
  if (request.list == nullptr || !IsWindow(request.list)) return kItemListUnusable;
  const bool listView = request.listView != FALSE;
  // Clear the window first: a failure leaves it empty, not showing an earlier archive.
  if (listView) {
    DestroyZIPITEMLParam(request.list);
    SendMessageA(request.list, LVM_DELETEALLITEMS, 0, 0);
  } else {
    SendMessageA(request.list, LB_RESETCONTENT, 0, 0);
  }
  const bool windowsIcons = request.windowsIcons && !request.probeFolder.IsEmpty() &&
                            reader.LargeImages() != nullptr &&
                            ImageList_GetImageCount(reader.LargeImages()) > 0;
  bool found = false;
  const short result = FillList(reader, request, windowsIcons, &found);
  if (!found) return result;
  if (!listView) SortListBox(request.list, request.sortMode, request.background);
  return result;
}

}  // namespace qx30w32
