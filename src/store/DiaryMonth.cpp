#include "store/DiaryMonth.h"

#include "store/RawStatement.h"

QString DiaryMonthPattern(int year, int month) {
    return QStringLiteral("%1-%2%")
        .arg(year, 4, 10, QLatin1Char('0'))
        .arg(month, 2, 10, QLatin1Char('0'));
}

QString DiaryMonthSql(int year, int month) {
    return QStringLiteral("select * from phonebk where (tel like '") +
           DiaryMonthPattern(year, month) +
           QStringLiteral("')\nand ( ( rank = 0 ) or ( rank = :hider ) )");
}

std::vector<DiaryRow> ReadDiaryMonth(int year, int month, ItemId hider) {
    RawStatement query(DiaryMonthSql(year, month));
    query.Bind(":hider", hider);
    const int id = query.Column("id");
    const int name = query.Column("name");
    const int tel = query.Column("tel");
    std::vector<DiaryRow> rows;
    while (query.Step())
        rows.push_back({query.Id(id), query.Text(name), query.Text(tel)});
    return rows;
}
