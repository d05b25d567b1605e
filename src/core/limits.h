#pragma once
// The sizes a document may reach. They keep the memory a project takes in proportion to its
// file (a few bytes must not ask for gigabytes) and inside what the browser player plays, so
// that whatever loads and exports also plays.
#include <QString>

namespace kav::Limits {

// The editor offers nothing near it; every frame of a larger stage is a large picture.
constexpr int kMaxStageSide = 4096;
// Control points of one path: what a path file may hold too (the player takes 2,000,001).
constexpr int kMaxPathPoints = 1000001;
// A picture, or one frame of a strip, as the player draws it.
constexpr int kMaxPictureSide = 32767;
// Characters in one line of a text (the text dialog allows 200).
constexpr int kMaxTextLineLength = 10000;
// Coordinates and line offsets the player accepts.
constexpr int kMaxCardCoordinate = 1000000;
constexpr int kMaxBorderWidth = 100000;
constexpr int kMaxUrlLength = 10000000;

// A border as drawn and exported: a stored width outside 0 .. kMaxBorderWidth (only a file can
// hold one) draws like the nearest width inside.
constexpr int BorderWidth(int stored) { return stored < 0 ? 0 : stored > kMaxBorderWidth ? kMaxBorderWidth : stored; }

// A media name names a file directly in one of the project's media folders: it has no folder
// part, is not "." or "..", and holds no control characters.
bool IsPlainMediaName(const QString& name);
// A name inside a folder, subfolders allowed: no absolute path or drive, no "." or ".." part,
// no empty part and no control characters. Sound names may be kept in subfolders.
bool IsNameInsideFolder(const QString& name);

} // namespace kav::Limits
