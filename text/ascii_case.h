#pragma once
// Letter case in every comparison that ignores it: only A to Z fold onto a to z, no other byte
// does, and no locale takes part. Free of Windows.
#include <cstddef>

inline char FoldAsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline wchar_t FoldAsciiLower(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

// True when the first `length` characters of `text` are those of `lowerCase`, ignoring letter
// case. Stops at the first difference, so `text` may be shorter than `length` when terminated.
template <typename Character>
inline bool MatchesIgnoringCase(const Character* text, const char* lowerCase, size_t length)
{
    for (size_t i = 0; i < length; ++i)
        if (FoldAsciiLower(text[i]) != static_cast<Character>(lowerCase[i]))
            return false;
    return true;
}

// True when `a` and `b` are the same text, ignoring letter case.
inline bool EqualIgnoringCase(const char* a, const char* b)
{
    for (; *a && FoldAsciiLower(*a) == FoldAsciiLower(*b); ++a, ++b) {
    }
    return FoldAsciiLower(*a) == FoldAsciiLower(*b);
}
