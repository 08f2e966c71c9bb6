// Resource ids of the dialog tools (shared by the scripts and the code).
#pragma once

#define IDD_PROGRESS 102
#define IDC_PROGRESS_TEXT 1001
#define IDC_PROGRESS_BAR 1002

#define IDD_OPTPICK 102
#define IDC_OPTPICK_OK 1001
#define IDC_OPTPICK_CHECK0 1003
#define IDC_OPTPICK_CHECK1 1004
#define IDC_OPTPICK_DESC1 1005
#define IDC_OPTPICK_PANEL 1006
#define IDC_OPTPICK_DESC2 1007
