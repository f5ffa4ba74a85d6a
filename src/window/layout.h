#pragma once

#include "actions/actions.h"
#include "host/host_services.h"

enum class ControlKind : uint8_t { Label, Button, ProgressBar };

// One control of Form1; positions and sizes in twips from the client area's top-left corner.
struct ControlLayout {
    Control name;
    ControlKind kind;
    const wchar_t* caption;
    int left;
    int top;
    int width;
    int height;
    int tabIndex;
    ClickHandler onClick;
};

constexpr int kClientWidthTwips = 6870;
constexpr int kClientHeightTwips = 7530;

// Indexed by Control.
extern const ControlLayout kLayout[kControlCount];

// twips × dpi / 1440, rounded to the nearest pixel.
int TwipsToPixels(int twips, int dpi);

// Twips from the control's top to the top of the nearest control below it that shares some of its
// columns, or to the client area's bottom: how far a label may grow.
int RoomBelow(Control control);
