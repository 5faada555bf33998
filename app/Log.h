#pragma once
// The message log: the one reporting operation, and the moment a running command lets the window
// breathe.

#include <string>

namespace vostrel {

struct RunState;

enum LogKind : int { LogInfo = 13, LogWarning = 14, LogError = 15 };

// Appends "WARNING!" or "ERROR!" first for those kinds (any other kind writes like LogInfo), scrolls
// the log to its end and services pending window events, dropping commands and close requests.
void WriteLog(RunState& state, const std::string& text, int kind);

}  // namespace vostrel
