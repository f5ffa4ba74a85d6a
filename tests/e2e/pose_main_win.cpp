// Poses the installer for the README's screenshots: at start, during an install with the first
// bar at 60, and at its "Completed!" message. At each pose it creates POSE_DIR\<pose>.ready and
// waits for POSE_DIR\<pose>.done, which the screenshot script makes once it has taken its shot.
//   pose_driver INSTALLER_EXE STUB_EXE POSE_DIR
#include "e2e/installer_session_win.h"

namespace {

std::wstring poseDirectory;

void Pose(const wchar_t* name) {
    const std::wstring base = poseDirectory + L"\\" + name;
    CloseHandle(CreateFileW((base + L".ready").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                            nullptr));
    for (int tries = 0; tries < 600; ++tries) {
        if (GetFileAttributesW((base + L".done").c_str()) != INVALID_FILE_ATTRIBUTES) {
            return;
        }
        Sleep(100);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        return 2;
    }
    poseDirectory = argv[3];
    AppFolder folder(poseDirectory + L"\\app", argv[1], argv[2]);
    InstallerSession session;
    if (!session.Start(folder.Path(L"Installer_32bit.exe"), folder.Directory())) {
        return 1;
    }
    Sleep(500);
    Pose(L"start");
    session.Click(Control::Command1);
    while (session.BarPosition(Control::ProgressBar1) < 60) {
        Sleep(20);
    }
    Pose(L"installing");
    MessageBoxSeen seen;
    if (!session.WaitForMessageBox(&seen, 20000)) {
        return 1;
    }
    Sleep(300);
    Pose(L"completed");
    session.PressOk(seen);
    session.Close();
    return session.Ended(10000) ? 0 : 1;
}
