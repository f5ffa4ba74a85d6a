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
constexpr int kProgressMaximum = 100;
// Buttons' IDs start here so that none is IDOK (1) or IDCANCEL (2) for the dialog manager.
constexpr int kFirstControlId = 100;

// Indexed by Control.
extern const ControlLayout kLayout[kControlCount];

inline int ControlId(Control control) {
    return kFirstControlId + static_cast<int>(control);
}

// twips × dpi / 1440, rounded to the nearest pixel.
int TwipsToPixels(int twips, int dpi);
