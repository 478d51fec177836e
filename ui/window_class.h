#pragma once
// The window class of the main window and the pages, named by all four dialog templates.

// 0 when the class was registered; 1 when it was not, after telling the user so.
int RegisterWindowClass();
