#pragma once

// One source for the names and numbers that the version resource and the code both show.
#define APP_VERSION_NUMBERS 1, 0, 0, 0
#define APP_VERSION_TEXT "1.00"
#define APP_COMPANY_NAME "The Velmora Mod Team"
#define APP_FILE_DESCRIPTION "Installs the Velmora Mod"
#define APP_PRODUCT_NAME "Velmora Mod Installer"
#define APP_INTERNAL_NAME "Installer_32bit"
#define APP_ORIGINAL_FILENAME "Installer_32bit.exe"

#define APP_ICON_ID 1

#ifndef RC_INVOKED
constexpr const wchar_t* kProductName = L"" APP_PRODUCT_NAME;
#endif
