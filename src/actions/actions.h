#pragma once

#include "host/host_services.h"

// The eight buttons' actions. Each runs to its end on the window's thread.
void Command1_Click(HostServices& host);  // "Windows XP"
void Command2_Click(HostServices& host);  // "Windows Vista"
void Command3_Click(HostServices& host);  // "Windows 7"
void Command4_Click(HostServices& host);  // "Windows XP Shortcut"
void Command5_Click(HostServices& host);  // "Windows Vista Shortcut"
void Command6_Click(HostServices& host);  // "Windows 7 Shortcut"
void Command7_Click(HostServices& host);  // "Delete Extra Files"
void Command8_Click(HostServices& host);  // "Exit"

using ClickHandler = void (*)(HostServices& host);
