#pragma once

#include <QString>

// The form of the export file, shared by its writer (JsonLinesExport.cpp) and its check and
// restore (JsonLines.cpp).
namespace JsonLinesFormat {
constexpr const char* Format = "cardolo-export";
constexpr int Version = 1;

// The items' columns in the order a line gives them, with the names the file uses.
struct Column {
    const char* Stored;
    const char* InFile;
    bool Stamp;
};
inline constexpr Column ItemColumns[] = {
    {"id", "id", false},
    {"name", "name", false},
    {"tel", "ref", false},
    {"text", "text", false},
    {"parent", "parent", false},
    {"rank", "rank", false},
    {"numchildren", "numchildren", false},
    {"numcousins", "numcousins", false},
    {"rprts", "rprts", false},
    {"srchts", "srchts", true},
    {"createdts", "createdts", true},
    {"editts", "editts", true},
};
inline constexpr Column LinkColumns[] = {
    {"id1", "id1", false},
    {"id2", "id2", false},
    {"\"drop\"", "drop", false},
    {"linknote", "note", false},
};

// Puts the folder's entry of path (a file just renamed into place) on the disk.
void SyncFolder(const QString& path);
} // namespace JsonLinesFormat
