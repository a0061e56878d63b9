#pragma once
#include <cstddef>

// Appends text behind the terminated content of buffer (capacity counts the
// terminator); what does not fit is cut, and the buffer is always left terminated.
void AppendBounded(wchar_t* buffer, size_t capacity, const wchar_t* text);

// Appends one line of a confirmation's list: "• ", the item and a line feed.
void AppendBulletLine(wchar_t* buffer, size_t capacity, const wchar_t* item);
