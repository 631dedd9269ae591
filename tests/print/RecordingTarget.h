#pragma once

#include "print/PageSetup.h"
#include "print/PrintTarget.h"

#include <QList>
#include <QString>
#include <QStringList>

// A print target that records every drawing with the sheet it went on, and measures text by
// a fixed rule instead of a font: a character is half the font's size wide, a line 1.25 times
// its size high.
class RecordingTarget : public PrintTarget {
public:
    struct Drawing {
        bool IsText = true;
        int Sheet = 0;
        int X = 0, Y = 0, Right = 0, Bottom = 0; // a rectangle's corners; text at (X, Y)
        QString Text;
        PrintFont Font;
        QList<int> Clip; // left, top, right, bottom of the page drawing is cut to
    };

    explicit RecordingTarget(int pixelsPerInch = 600) : DpiX(pixelsPerInch), DpiY(pixelsPerInch) {}

    int DpiX, DpiY;
    bool Refuse = false;
    int Sheets = 1;
    bool Began = false, Ended = false, Aborted = false;
    QList<Drawing> Drawn;

    int Px(double mm) const { return MmToPixels(mm, DpiX); }
    int LineHeight(double points) const { return int(points * DpiY / 72 * 1.25); }
    QList<Drawing> Texts() const { return Only(true); }
    QList<Drawing> Rectangles() const { return Only(false); }
    QStringList Strings() const {
        QStringList out;
        for (const Drawing& d : Texts())
            out << d.Text;
        return out;
    }

    bool BeginJob(QString& error) override {
        error = QStringLiteral("cannot start");
        return Began = !Refuse;
    }
    bool EndJob(QString&) override { return Ended = true; }
    void AbortJob() override { Aborted = true; }
    int PixelsPerInchX() const override { return DpiX; }
    int PixelsPerInchY() const override { return DpiY; }
    void SetFont(const PrintFont& f) override { font = f; }
    int TextWidth(const QString& text) override {
        return int(text.size() * font.Points * DpiX / 144);
    }
    int TextHeight(const QString&) override { return LineHeight(font.Points); }
    void DrawText(int x, int y, const QString& text) override {
        Drawn << Drawing{true, Sheets, x, y, 0, 0, text, font, clip};
    }
    void DrawRectangle(int left, int top, int right, int bottom) override {
        Drawn << Drawing{false, Sheets, left, top, right, bottom, QString(), font, clip};
    }
    void NewSheet() override { ++Sheets; }
    void ClipToPage(int left, int top, int right, int bottom) override {
        clip = {left, top, right, bottom};
    }

private:
    QList<Drawing> Only(bool text) const {
        QList<Drawing> out;
        for (const Drawing& d : Drawn)
            if (d.IsText == text)
                out << d;
        return out;
    }
    PrintFont font;
    QList<int> clip;
};
