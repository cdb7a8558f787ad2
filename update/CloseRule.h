#pragma once
#include "Scene.h"

// Whether the program may end while the main window shows scene: never while
// a processor is being written, whoever asks (the main window's close box,
// the opening card's close, the session's end or Ctrl+C).
bool CanClose(Scene shown);
