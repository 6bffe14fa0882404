// Resource ids of Tessiv.exe, shared by the resource script and the code.
#pragma once

#define IDI_TESSIV 128
#define IDR_TRAY_MENU 128
#define IDD_ABOUT 100

#define IDC_ABOUT_TEXT 1024
#define IDC_ABOUT_ICON 1072

#define ID_TRAY_ABOUT 57664
#define ID_TRAY_EXIT 57665

#define IDS_SETTINGS_ENTRY 16384
#define IDS_TRAY_TIP 16385
#define IDS_HOST_WINDOW_TITLE 16386
