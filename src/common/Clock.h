#pragma once

#include <QDateTime>

#include <functional>

// The program's one source of the current date and time. Tests replace it to make time
// stamps and automatic-save deadlines predictable.
QDateTime CurrentDateTime();
void SetClockForTesting(std::function<QDateTime()> clock); // empty function: the real clock
