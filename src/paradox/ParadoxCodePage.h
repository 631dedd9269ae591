#pragma once

#include <QByteArray>
#include <QString>

struct UConverter;

// The character set a table's text is written in: the code page number its header records
// (1252 when the header leaves it at 0), decoded to Unicode through ICU's converter for that
// code page. One converter serves every text of a table; it is not shared between threads.
class ParadoxCodePage {
public:
    ParadoxCodePage() = default;
    ~ParadoxCodePage();
    ParadoxCodePage(const ParadoxCodePage&) = delete;
    ParadoxCodePage& operator=(const ParadoxCodePage&) = delete;

    // Opens the converter for codePage (0 meaning 1252). False, with a reason in error, when
    // ICU has no converter for that number.
    bool Open(int codePage, QString& error);
    int Number() const { return number; }
    // bytes up to the first zero byte (or all of them), decoded.
    QString Decode(const QByteArray& bytes) const;
    QString Decode(const char* data, int size) const;

private:
    UConverter* converter = nullptr;
    int number = 0;
};
