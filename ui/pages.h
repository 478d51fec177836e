#pragma once
// The three wizard pages: introduction, confirmation and completion.
#include <windows.h>

#include "sysops/error_record.h"

enum PageResult { PageDone = 0, PageBack = 4 };

// What the confirmation page's handler recorded: Continue or Back.
extern PageResult Prompt2Result;

// Each shows its page with three lines of text (an empty text leaves its line blank) and
// returns when a button of the page has ended it.
Status ShowPrompt1(const char* text1, const char* text2, const char* text3);
// Ends the program, as Yes to the stop question does, when the page cannot be created.
PageResult ShowPrompt2(const char* text1, const char* text2, const char* text3);
Status ShowPrompt3(const char* text1, const char* text2, const char* text3);

LRESULT Prompt1Handler(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT Prompt2Handler(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT Prompt3Handler(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

void SetItemText(HWND window, int id, const char* text);
// Gives the keyboard focus to control `id` of `window`.
Status FocusControl(HWND window, int id);
