#pragma once
#include <cstddef>

// Appends text behind the terminated content of buffer (capacity counts the
// terminator); what does not fit is cut, and the buffer is always left terminated.
void AppendBounded(wchar_t* buffer, size_t capacity, const wchar_t* text);
