#pragma once
// Includes a window's header through angle brackets.
#include <listwin/TFAddsBk.h>
#include <sys/stat.h>
