#pragma once
// The report of a removal: a plain-text file that tells the user what was not simply removed.
#include <cstddef>

// The report of this run: a line for each of the product's programs found running (closed,
// ended, or still running and why), one per entry that was not simply removed, then the totals.
//   kept<TAB>path<TAB>reason
//   at restart<TAB>path
//   already absent<TAB>path
//   totals<TAB>removed N<TAB>already absent N<TAB>at restart N<TAB>kept N<TAB>not listed N
// Lines end in CR LF; "not listed" counts the lines that did not fit the outcome's text. The
// text is UTF-8 and starts with its byte-order mark.
// Written to `path` (the administrator's /LOG=), or when it is null to a new file in the
// temporary directory: "Vantrel removal report.txt", else the first free "... (N).txt".
// `written` receives the path of the file written. False when none was; the removal is not
// affected.
bool WriteRemovalReport(const char* path, char* written, size_t size);
