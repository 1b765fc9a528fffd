// The message pump of extraction: after every block of an entry's input and after every message,
// the reader lets the host's thread handle what waits in its queue (so that the host stays
// responsive and its cancel request, a message like any other, is seen within one block).
#pragma once

class CZUnzip;

// Test seam: hook (null: none) is called at every pump of a reader whose pump flag is set, on the
// reader's thread, with the reader; tests count the pumps of each entry.
void SetUnzipPumpHookForTesting(void (*hook)(const CZUnzip& unzip));
