#pragma once
// Resource ids of the progress dialog, shared by its resource script and its code. Plain macros,
// because the resource compiler reads this file too.

#define IDD_PROGRESS_WITH_BAR 145   // status text, progress bar, Cancel
#define IDD_PROGRESS_TEXT_ONLY 146  // status text, Cancel

#define IDC_STATUS_TEXT 1026
#define IDC_PROGRESS_BAR 1018
