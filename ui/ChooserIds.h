// Resource and control ids of the directory chooser (dialog template 103, bitmaps 130 and 131).
#pragma once

#define IDD_DIRECTORY_DLG 103
#define IDB_DRIVE_IMAGES 130
#define IDB_FOLDER_IMAGES 131
#define IDC_PATH_EDIT 1000
#define IDC_DIR_LIST 1001
#define IDC_DRIVE_BOX 1004
