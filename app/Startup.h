#pragma once
#include <functional>
#include <string>

class clsGTex;

// Shows a fatal message (text, caption) and returns once it is dismissed.
using FatalDisplay = std::function<void(const std::string& text, const std::string& caption)>;

constexpr const char* OvlFatalText = "Fatal error !\nCannot open OVL file.\nInstall this application again !";

// The catalogue is intact when value line 0 of "Sys_Ovl" is exactly "OVL".
// Otherwise shows the fatal message, captioned with the executable's file
// name, and returns false: the program then ends with code 0.
bool CheckCatalogue(clsGTex& catalogue, const FatalDisplay& show);
