#pragma once
#include "Scene.h"

#include <string>

// A notice line for the terminal: no blanks at its end, and none of the
// many that centre a line in the window (" - " items keep theirs).
std::string TrimmedNotice(const std::string& text);

// The first notice line of scene, trimmed: what the scene says in one line
// ("" for a scene outside the table).
std::string SceneLine(Scene scene);
