#pragma once

#include <QString>

// A font as the print engine names it, without the window layer's font type: the target that
// draws turns it into a real font.
struct PrintFont {
    QString Family = QStringLiteral("Arial");
    double Points = 8;
    bool Bold = false;
    bool Italic = false;

    bool operator==(const PrintFont& other) const {
        return Family == other.Family && Points == other.Points && Bold == other.Bold &&
               Italic == other.Italic;
    }
};

// What the print engine draws on: a printer, a PDF file, or a test's recorder. Positions and
// sizes are in the target's pixels, measured from the top left corner of the sheet; text is
// placed by the top left corner of its line.
class PrintTarget {
public:
    virtual ~PrintTarget() = default;

    // Starts the job. False, with the reason for the user in error, when it cannot start.
    virtual bool BeginJob(QString& error) = 0;
    // Ends the job; the sheets go to the printer or the file. False with the reason in error.
    virtual bool EndJob(QString& error) = 0;
    // Drops a started job: nothing of it is printed or kept.
    virtual void AbortJob() = 0;

    // The resolution in pixels per inch, across and down.
    virtual int PixelsPerInchX() const = 0;
    virtual int PixelsPerInchY() const = 0;

    // Text is drawn and measured in this font from now on.
    virtual void SetFont(const PrintFont& font) = 0;
    virtual int TextWidth(const QString& text) = 0;
    // The height of a line of text.
    virtual int TextHeight(const QString& text) = 0;

    virtual void DrawText(int x, int y, const QString& text) = 0;
    // The outline of the rectangle from (left, top) up to, not including, (right, bottom).
    virtual void DrawRectangle(int left, int top, int right, int bottom) = 0;
    // Moves on to a fresh sheet.
    virtual void NewSheet() = 0;
    // What is drawn from now on shows only inside this rectangle (up to, not including, right
    // and bottom): the logical page it belongs to, so that a long line stops at the page's
    // edge instead of running over the page beside it.
    virtual void ClipToPage(int left, int top, int right, int bottom) = 0;
};
