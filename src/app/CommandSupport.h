#pragma once

#include <QString>

#include <functional>

class StopOnSignal;

// What the commands without a window share: their messages, the program folder, and the
// progress of long work on a terminal.

// Says text on standard error, as the program's ("cardolo: text"), and returns code.
int CommandFailure(const QString& text, int code);

// Makes folder the program folder, or the default one when it is empty; false, with error,
// when the folder given does not exist.
bool UseProgramFolder(const QString& folder, QString& error);

// Takes the program folder's lock, as a running program holds it, and makes its DATA folder:
// what a command that makes the database does first. False with error (the message that another
// program runs there, or why the lock or the folder could not be had).
bool HoldProgramFolder(QString& error);

// Progress of long work on standard error when that is a terminal, on one line rewritten as the
// percentage grows; the function answers false once a signal asked the work to stop.
std::function<bool(qint64 done, qint64 total)> ProgressOnTerminal(const char* what,
                                                                  const StopOnSignal& stop);
// Ends the progress line, when there is one.
void EndProgressLine();
