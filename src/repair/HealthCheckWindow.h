#pragma once

// The database health check window as the rest of the program calls it.

// Tools > "Database healthcheck": shows the window (modeless) and scans the database, the
// report going below any earlier one. Returns when the scan is over or the window was closed;
// while it runs, pending events are handled, so the window and the others stay usable. Called
// while a scan is running, it stops that scan and starts a new one.
void ShowHealthCheck();
// The program is ending: a running scan stops at its next chunk of rows, links across
// included, and nothing more is scanned.
void StopHealthCheck();
// Ends the window at shutdown or between tests; the next use makes a new one.
void DestroyHealthCheckWindow();
