#include "compression_error.h"

#include "forms/message_dialogs.h"

namespace pelloro {

std::string CompressionErrorText(short code) {
  static constexpr char kCatchAll[] =
      "You should not see this error, if you do please contact Brindle Corvex";
  switch (code) {
    case 1:
      return "Received a Warning, But Zip file was not corrupted.";
    case 2:
      return "Destination Zip file was corrupt.";
    case 3:
      return "Internal Compression Error.";
    case 4:
      return "The file you are trying to compress to is not a Zip...";
    case 5:
      return "Insufficiant memory to perform compression...";
    case 6:
      return "Nothing to do, select some files first...";
    case 7:
      return "Required DLL's were not found, contact Brindle Corvex...";
    case 8:
      return "Comment missing or Null.";
    case 9:
      return "Could not encrypt files.";
    case 12:
      return "Access to Zip file denied.  Please unlock it then try again.";
    case 13:
      return "Drive not ready";
    case 14:
      return "The drive you are trying to compress to is Read-Only.";
    case 15:
      return "The drive you are trying to compress to is Write-Protected.";
    case 16:
      return "Disk drive full. Free some space and try again.";
    case 17:
      return "User abort.  Zip may be corrupt.";
    default:
      return kCatchAll;  // 0, 10, 11 and every value outside 0..17
  }
}

void ShowCompressionError(short code) {
  forms::MessageDlg(CompressionErrorText(code), forms::MsgDlgType::mtError, forms::mbOK, 0);
}

}  // namespace pelloro
