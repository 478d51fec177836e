#pragma once
// The report of a removal: a plain-text file that tells the user what was not simply removed.
#include <cstddef>

// The report of this run: one line per entry that was not simply removed, then the totals.
// False when the file cannot be written; the removal is not affected.
//   kept<TAB>path<TAB>reason
//   at restart<TAB>path
//   already absent<TAB>path
//   your files<TAB>folder<TAB>name...   (your settings<TAB>key<TAB>subkey...)
//   totals<TAB>removed N<TAB>already absent N<TAB>at restart N<TAB>kept N<TAB>not listed N
//         <TAB>your files N   (folders and keys kept for the user)
// Lines end in CR LF; "not listed" counts the lines that did not fit the outcome's text.
bool WriteRemovalReport(const char* path);

// The report's place when none is given: its name in the temporary directory. False when
// the path does not fit `size`.
bool DefaultReportPath(char* out, size_t size);
