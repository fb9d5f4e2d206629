// Resource and control ids shared by the resource script and the dialog's code.
#pragma once

#define IDI_HVXFER 101
#define IDD_MAIN 102

#define IDC_SOURCE_FOLDER 1000
#define IDC_SOURCE_BROWSE 1001
#define IDC_USER_NAME 1003
#define IDC_CREATE 1004
#define IDC_NAME_STATUS 1005
#define IDC_DESTINATION_FOLDER 1008
#define IDC_DESTINATION_BROWSE 1009
