#pragma once

// The ids of the program's resources. Macros, because the resource compiler
// reads this file too; the menu's command ids come with it.

#include "resources/command_ids.h"

#define IDR_MAIN_MENU 101        // the frame's menu bar; its "&View" menu is also the block map's context menu
#define IDI_MAIN_ICON 101        // the frame's class icon
#define IDB_ABOUT_PICTURE 102    // the About box's tiled picture
#define IDD_LOOKUP_CLUSTERS 107  // "Lookup Clusters"
#define IDC_LOOKUP_LIST 1006     // its list of streams
#define IDD_ABOUT 109            // the About box
#define IDC_ABOUT_VERSION 1007   // its version line
#define IDD_TRACE_LOG 110        // "CBT Trace Log"
#define IDC_TRACE_LOG_FLAGS_PANEL 1003    // its owner-drawn flags panel
#define IDC_TRACE_LOG_TABLE 1006          // its table of records
#define IDC_TRACE_LOG_DEVICE_FILTER 1016  // its device filter list
#define IDC_TRACE_LOG_THREAD_FILTER 1017  // its ThreadId filter list
#define IDC_TRACE_LOG_CHOOSE 1018         // its "..." button
#define IDC_TRACE_LOG_PATH 1019           // its path box
#define IDC_TRACE_LOG_STATUS 1020         // its status line under the table
#define IDC_TRACE_LOG_SAVE_AS 1021        // its "Save As..." button

// The "&View" menu's place in the menu bar: the block map shows that
// sub-menu as its context menu.
#define IDR_MAIN_MENU_VIEW_INDEX 1

#define IDD_CHANGED_FILES 130             // "Changed Files"
#define IDC_CHANGED_FILES_SUMMARY 1301    // its line above the table
#define IDC_CHANGED_FILES_TABLE 1302      // its table of files
#define IDC_CHANGED_FILES_STATUS 1303     // its status line under the table
#define IDC_CHANGED_FILES_PROGRESS 1304   // its progress bar
#define IDC_CHANGED_FILES_SAVE_AS 1305    // its "Save As..." button

#define IDD_TRACE_FIND_BAR 120            // the trace log's find bar, a child dialog
#define IDC_FIND_BAR_TEXT 1201            // its text box
#define IDC_FIND_BAR_MATCH_CASE 1202      // its "Match case" check box
#define IDC_FIND_BAR_NEXT 1203            // its "Next" button
#define IDC_FIND_BAR_PREVIOUS 1204        // its "Previous" button
#define IDC_FIND_BAR_NOTE 1205            // what a search says: "Not found", its progress
