#pragma once
// What the tests read of the controls and boxes the program works on, in one place:
// texts, check states, enabled and visible states, the boxes recorded through the seam,
// and a subclass that counts the messages that change what the user sees.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include "support/OsSeam.h"

std::wstring Text(HWND window);
bool Checked(HWND button);  // BM_GETCHECK answers BST_CHECKED
void SetChecked(HWND button, bool checked);
bool Enabled(HWND window);
bool Visible(HWND window);  // its own WS_VISIBLE style, whatever its parent's

// The box has the text and type, the program's caption, and the main window as owner.
void ExpectBox(const RecordedBox& box, const std::wstring& text, UINT type);

// What the counted windows received since the last reset: the messages that change a
// control (its text, its enabled state, its check) and the main window's erasing; first
// names the first change, for the failure text.
struct SeenMessages {
    int setText = 0, enable = 0, setCheck = 0, erase = 0;
    std::string first;
    int Changes() const { return setText + enable + setCheck; }
};
extern SeenMessages seenMessages;

// Subclasses window so that seenMessages counts what it receives; its own procedure
// still handles every message.
void CountMessages(HWND window);
// Gives every counted window that still exists its own procedure back.
void StopCountingMessages();
