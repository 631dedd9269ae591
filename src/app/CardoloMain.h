#pragma once

#include <functional>

class CardoloApp;

// The whole program as main() runs it: the options, the commands without a window, then the
// windows and the event loop. whenStarted, when given, runs once the main window is up, before
// the event loop (a program that drives the real windows hooks in there). Returns the exit code.
int RunCardolo(int argc, char* argv[], const std::function<void(CardoloApp&)>& whenStarted = {});
