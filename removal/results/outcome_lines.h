#pragma once
// The outcome's text: one line for each entry that was not simply removed, and the run's own
// lines, as OutcomeLines gives them. Which word a line starts with, and what is counted, is the
// outcome's business (outcome.h); this builds the text and reads it back.
#include <cstddef>
#include <cstdint>

// The most text kept, so that a log of millions of missing entries cannot take all memory.
constexpr size_t OutcomeLinesLimit = 4u << 20;

// Adds `word`<TAB>`path`, then <TAB>`detail` (UTF-8) when it is not null, and CR LF. The path,
// as the file system spells it, is shown as PlainPath tells. False when the line did not fit
// (memory, or the limit above): it is left out.
bool AddOutcomeLine(const char* word, const wchar_t* path, const char* detail);
// The same for the log's own ANSI text, shown as it is: a byte that the code page does not
// define still shows.
bool AddLogTextLine(const char* word, const char* text, const char* detail);

// The error record's text on one line, in UTF-8 (it is in the ANSI code page): a kept line's
// reason. Empty when it cannot be told.
void RecordOnOneLine(char* out, int size);

// One line per entry that was not simply removed, in the order noted, each ending in CR LF, in
// UTF-8 so that every name is told exactly:
//   already absent<TAB>path
//   at restart<TAB>path
//   kept<TAB>path<TAB>reason   (the error record's text on one line)
//   your files<TAB>folder<TAB>name<TAB>...[<TAB>and N more]   (your settings<TAB>key<TAB>...)
// and, before them, the run's own lines (the product's programs found running: closed<TAB>path,
// ended<TAB>path, still running<TAB>path<TAB>reason).
// A path is shown as a user writes it: \\?\C:\x as C:\x, \\?\UNC\server\share as \\server\share.
// Never null. When Outcome.linesLeftOut is not 0 the text lacks that many lines; the counts
// are whole all the same.
const char* OutcomeLines();

// True when a line that starts with `word` names something below `directory` (with or without
// a trailing backslash), compared as the lines spell it.
bool AnyLineBelow(const char* word, const wchar_t* directory);

// The names a folder or key of the user's holds: the first ten, tab-separated, in UTF-8, and
// how many there are in all.
constexpr uint32_t HeldNamesShown = 10;
struct HeldNames {
    char text[HeldNamesShown * 766];  // ten names of 255 UTF-16 units, three bytes for each
    size_t length;
    uint32_t count;
};

// Counts one more name, and keeps it when it is among the first ten and fits.
void AddHeldName(HeldNames* names, const wchar_t* name);

// The part of `path` that a user writes after *lead ("" or "\\"): \\?\ and \\?\UNC\ are left out.
const wchar_t* PlainPath(const wchar_t* path, const char** lead);

// Empties the text, releasing its memory.
void ClearOutcomeLines();
