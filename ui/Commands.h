#pragma once
#include <windows.h>

// The product's web page, until the product has a page of its own.
constexpr const wchar_t* ProductWebPage = L"https://tarvix.example/mini";

void OnCommand(int id);
void OnTimer(WPARAM timerId);
HBRUSH OnCtlColorStatic(HDC hdc, HWND control);
