// Resource ids of the classic search box, shared by its resource script and its code.
#pragma once

#define IDD_SEARCH_BOX 129
// Its client size in dialog units; the box lays its controls out for it.
#define IDD_SEARCH_BOX_WIDTH 449
#define IDD_SEARCH_BOX_HEIGHT 59
#define IDI_DEFAULT_ENGINE 201
#define IDR_SEARCH_BOX_ACCELERATORS 202

#define IDC_SYSTEM_TOOLBAR 1296
#define IDC_ENGINE_TOOLBAR 1297
#define IDC_SEARCH_WORDS 1040
#define IDC_RECORD_SEARCH_WORDS 1104
#define IDC_NOTICE_LINK 1328

// Toolbar commands; the system buttons' icons and tooltips share these ids.
#define ID_ENGINE_BUTTON 8192
#define ID_PUSH_PIN 8193
#define ID_SETTINGS 8194
#define ID_HELP 8195

#define ID_NEXT_ENGINE 32775
#define ID_PREVIOUS_ENGINE 32776
#define ID_ENGINE_MENU 32777
#define ID_NEW_WINDOW 57600
#define ID_OPEN 57601
#define ID_REFRESH 59395
