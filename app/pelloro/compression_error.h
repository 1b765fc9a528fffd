// The result messages of a failing ZipFiles call: one fixed text per result code, shown with the
// error icon and a single OK button.
#pragma once

#include <string>

namespace pelloro {

// The text of a ZipFiles result; every code outside 1..17 (and 10, 11) gets the catch-all.
std::string CompressionErrorText(short code);
// Shows the text modally and returns when the user has closed it.
void ShowCompressionError(short code);

}  // namespace pelloro
