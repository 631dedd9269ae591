#pragma once

#include <QString>

// The tables and columns the store reads and writes, as a database of a given DBVN holds them
// once the conversion steps that run before the windows (702, 703) are done: the items table
// with every column the store uses (numcousins once step 1000 is done), and the links-across
// tables (mm2, and while step 1100 is still to run the older mm that the step copies into it,
// with its note once step 1001 is done). A file without them is not one the program can show:
// every list would fail or show made-up counts.

// What PhoneDB lacks of that layout, in words ("table mm2; columns rank, numcousins of table
// phonebk"); empty when nothing. Throws DbError.
QString MissingLayout(int dbvn);
