#pragma once
// The completion page: what the removal did, in plain words.

// How far the removal got: what the completion page can say depends on it.
enum RemovalRun { NoLogGiven, LogNotRead, LogApplied };

// Shows the completion page for `run`, with the outcome's counts; `report` is the report that
// was written, or empty. When nothing stayed, the page says what it always said.
void ShowCompletion(RemovalRun run, const char* report);
