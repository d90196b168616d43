#pragma once
// The key codes the program's key handlers compare: Windows virtual keys
// (digits 48..57, letters 65..90, Backspace 8, Escape 27, Delete 46, F1..F12
// 112..123, "-" 189, "<" 226), whatever platform the key came from.

class QKeyEvent;

// -1 for a key that has no such code.
int key_code(const QKeyEvent& event);
