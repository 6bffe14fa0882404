// Resource and control ids of the completion list of the page-based box, shared by its
// resource script and its code.
#pragma once

#define IDR_SUGGEST_ACCELERATORS 203
#define ID_SUGGEST_SELECT_NEXT 32778
#define ID_SUGGEST_SELECT_PREVIOUS 32779
#define IDC_SUGGEST_LIST 100
