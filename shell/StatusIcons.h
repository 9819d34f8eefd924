#pragma once
#include "framework/Colors.h"

#include <QByteArray>
#include <QImage>

class TIconList;

// The four status icons of the notification area, index = connection status: 32 x 32 discs
// touching all edges with a one-pixel black outline on white corners, filled maroon (off), red
// (bad), yellow (normal) and lime (good).
constexpr int StatusIconCount = 4;
constexpr int StatusIconSize = 32;
TColor StatusIconColor(int Status);
// The disc at another size or with other corners draws the application's icon.
QImage StatusIconImage(TColor Fill, int Size = StatusIconSize, QRgb Corner = qRgb(255, 255, 255));
// The icon-list stream of all four (what resources/status_icons.bin holds).
QByteArray BuildStatusIconData();
// Where the app finds that data at run time.
inline constexpr const char* StatusIconResource = ":/status_icons.bin";
// Loads the four icons from the resource into List; throws EIconError if the data is bad.
void LoadStatusIcons(TIconList& List);
