#include "common/AppendBounded.h"

void AppendBounded(wchar_t* buffer, size_t capacity, const wchar_t* text)
{
    size_t length = 0;
    while (length < capacity - 1 && buffer[length] != L'\0') ++length;
    if (length == capacity - 1) {
        // no terminator where one must be: terminate and add nothing
        buffer[capacity - 1] = L'\0';
        return;
    }
    while (length < capacity - 1 && *text != L'\0') buffer[length++] = *text++;
    buffer[length] = L'\0';
}

void AppendBulletLine(wchar_t* buffer, size_t capacity, const wchar_t* item)
{
    AppendBounded(buffer, capacity, L"\u2022 ");
    AppendBounded(buffer, capacity, item);
    AppendBounded(buffer, capacity, L"\n");
}
