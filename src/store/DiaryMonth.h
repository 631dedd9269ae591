#pragma once

#include "store/ItemStore.h"

#include <QString>

#include <vector>

// The diary's month: the items whose Ref begins with a date of one month, read straight from
// the items table. The Ref index (tel under NOCASE, as LIKE compares) makes it a range scan of
// the month's Refs, however many items the database holds.

struct DiaryRow {
    ItemId Id;
    QString Name;
    QString Tel;
};

// The month's Ref pattern: the year as four digits, "-", the month as two digits and "%";
// 2024-05% for May 2024. Built from numbers only, so it is safe in the query's text.
QString DiaryMonthPattern(int year, int month);
// The query as the diary runs it: two lines, the pattern in the text of the first, the hider
// whose hidden items may show as the parameter :hider of the second.
QString DiaryMonthSql(int year, int month);
// The rows of the month's query, in the order the engine returns them (no ordering is asked
// for). Items hidden by a hider other than hider are left out.
std::vector<DiaryRow> ReadDiaryMonth(int year, int month, ItemId hider);
