#pragma once

#include <cstdint>

// The facts about the window's controls that the window and the host share: which controls there
// are, their IDs and the bars' range.

// The window's sixteen controls, top to bottom.
enum class Control : uint8_t {
    Label1,
    Command1,
    Command2,
    Command3,
    Label2,
    ProgressBar1,
    Label4,
    Command4,
    Command5,
    Command6,
    Label3,
    ProgressBar2,
    Label5,
    Command7,
    ProgressBar3,
    Command8,
};
constexpr int kControlCount = 16;
constexpr int kProgressMaximum = 100;
// Control IDs start here so that none is IDOK (1) or IDCANCEL (2) for the dialog manager.
constexpr int kFirstControlId = 100;

inline int ControlId(Control control) {
    return kFirstControlId + static_cast<int>(control);
}
