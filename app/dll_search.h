#pragma once
// Where the program may load DLLs from.

// Limits the loading of DLLs to the system directory. The program runs elevated, and its copy
// runs from the temporary directory, where anything may lie beside it. Does nothing on a
// system that lacks the means.
void RestrictDllSearch();
