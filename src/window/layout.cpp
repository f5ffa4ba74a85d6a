#include "window/layout.h"

namespace {

constexpr ControlKind kLabel = ControlKind::Label;
constexpr ControlKind kButton = ControlKind::Button;
constexpr ControlKind kBar = ControlKind::ProgressBar;

}  // namespace

// clang-format off
const ControlLayout kLayout[kControlCount] = {
    {Control::Label1, kLabel, L"1. Select your OS to install the Velmora Mod (Program may not respond for a few seconds)", 120, 480, 6615, 375, 3, nullptr},
    {Control::Command1, kButton, L"Windows XP", 360, 1200, 1575, 495, 0, Command1_Click},
    {Control::Command2, kButton, L"Windows Vista", 2640, 1200, 1575, 495, 1, Command2_Click},
    {Control::Command3, kButton, L"Windows 7", 4920, 1200, 1575, 495, 2, Command3_Click},
    {Control::Label2, kLabel, L"            Status", 2760, 1800, 1455, 255, 9, nullptr},
    {Control::ProgressBar1, kBar, L"", 360, 2160, 6135, 255, 7, nullptr},
    {Control::Label4, kLabel, L"2. To launch the mod with the game with a single shortcut select your OS", 120, 2880, 6615, 495, 13, nullptr},
    {Control::Command4, kButton, L"Windows XP Shortcut", 360, 3600, 1575, 495, 4, Command4_Click},
    {Control::Command5, kButton, L"Windows Vista Shortcut", 2640, 3600, 1575, 495, 5, Command5_Click},
    {Control::Command6, kButton, L"Windows 7 Shortcut", 4920, 3600, 1575, 495, 6, Command6_Click},
    {Control::Label3, kLabel, L"             Status", 2640, 4200, 1575, 255, 10, nullptr},
    {Control::ProgressBar2, kBar, L"", 240, 4560, 6255, 255, 8, nullptr},
    {Control::Label5, kLabel, L"3. To delete the extra files click \"Delete Extra Files\"", 120, 5040, 6615, 255, 14, nullptr},
    {Control::Command7, kButton, L"Delete Extra Files", 2640, 5400, 1695, 495, 11, Command7_Click},
    {Control::ProgressBar3, kBar, L"", 240, 6120, 6375, 255, 12, nullptr},
    {Control::Command8, kButton, L"Exit", 2280, 6720, 2415, 615, 15, Command8_Click},
};
// clang-format on

int TwipsToPixels(int twips, int dpi) {
    const long long scaled = static_cast<long long>(twips) * dpi;
    return static_cast<int>((scaled + 720) / 1440);
}

int RoomBelow(Control control) {
    const ControlLayout& self = kLayout[static_cast<int>(control)];
    int limit = kClientHeightTwips;
    for (const ControlLayout& other : kLayout) {
        const bool sharesColumns =
            other.left < self.left + self.width && self.left < other.left + other.width;
        if (sharesColumns && other.top >= self.top + self.height && other.top < limit) {
            limit = other.top;
        }
    }
    return limit - self.top;
}
