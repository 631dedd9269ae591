#include "diary/DiaryDays.h"

namespace {
constexpr int LastRow = 6;

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

const DaySlot NoEntry;
} // namespace

int RefDay(const QString& ref) {
    if (ref.size() < 10 || !isDigit(ref[8]) || !isDigit(ref[9]))
        return 0;
    const int day = (ref[8].unicode() - '0') * 10 + (ref[9].unicode() - '0');
    return day >= 1 && day <= 31 ? day : 0;
}

void DiaryDays::Clear() {
    daySlots.fill(DaySlot());
}

void DiaryDays::Fill(const std::vector<DiaryRow>& rows) {
    for (const DiaryRow& row : rows) {
        const int day = RefDay(row.Tel);
        if (day == 0)
            continue;
        daySlots[size_t(day)] = {row.Name, row.Id};
    }
}

void DiaryDays::Load(const CalendarDate& date, ItemId hider) {
    Clear();
    Fill(ReadDiaryMonth(date.year, date.month, hider));
}

const DaySlot& DiaryDays::Slot(int day) const {
    return day >= 0 && day < SlotCount ? daySlots[size_t(day)] : NoEntry;
}

QString DayCellText(int day, const QString& name) {
    QString text = QStringLiteral("%1").arg(day, 2);
    if (!name.isEmpty())
        text += QStringLiteral("  ") + name;
    return text;
}

std::vector<MonthCell> DiaryLayout(const CalendarDate& shown) {
    std::vector<MonthCell> cells;
    CalendarDate first = shown;
    first.day = 1;
    first.weekday = 0;
    ComputeWeekday(first);
    if (first.weekday == 0)
        return cells;
    const int length = MonthLength(shown);
    int row = 1;
    int column = first.weekday - 1;
    for (int day = 1; day <= length && row <= LastRow; ++day) {
        cells.push_back({row, column, day});
        if (++column > 6) {
            column = 0;
            ++row;
        }
    }
    return cells;
}

std::vector<DiaryCell> DiaryCells(const CalendarDate& shown, const DiaryDays& days) {
    std::vector<DiaryCell> cells;
    for (const MonthCell& c : DiaryLayout(shown))
        cells.push_back({c.row, c.column, c.day, DayCellText(c.day, days.Slot(c.day).Name)});
    return cells;
}
