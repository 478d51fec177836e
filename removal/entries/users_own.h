#pragma once
// A "dir:" folder or a "key:" key that stays only for what the user put in it: the user's own
// files and settings are kept on purpose, and the removal of the product is whole all the same.

// Notes `path` as the user's folder, with the names it holds, when nothing the log named below
// it was kept: false when something was, or when the lines cannot tell (some were left out).
bool NoteIfUsersFolder(const wchar_t* path);

// The same for the key of a "key:" argument that could not be deleted: true when it holds
// subkeys and nothing the log named below it was kept. `text` is changed during the call and
// restored before it returns.
bool NoteIfUsersKey(char* text);
