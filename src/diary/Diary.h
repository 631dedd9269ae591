#pragma once

// The diary as the rest of the program calls it.

// Opens the diary (modeless) at the month it last showed: today's month the first time.
void ShowDiary();
// Makes the diary window, hidden, showing today, unless it exists already.
void CreateDiaryWindow();
// Ends the window at shutdown or between tests; the next use makes a new one.
void DestroyDiaryWindow();
