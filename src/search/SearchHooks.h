#pragma once

// Ties the search's index and marks to PhoneDB's connection: the index is set up when the
// tables have their layout, forgotten with the connection (or when the file turns out damaged),
// its build stopped once writes are refused, and the marks of the last search written before
// the file closes. Called once as a program that opens PhoneDB starts, before it opens it;
// calling it again changes nothing.
void InstallSearchHooks();
