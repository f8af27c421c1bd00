#pragma once

// The command ids of the menu bar, the one place their numbers are written.
// They are macros because the resource compiler, which builds the menu from
// them, understands nothing but the preprocessor; C++ code gives them typed
// names where the commands are handled (the frame, the block map).

#define IDM_FILE_EXIT 40001
#define IDM_HELP_ABOUT 40002  // "&Help" > "&About TrackKit...": the About box

#define IDM_VIEW_SPEED_HIGH 40004
#define IDM_VIEW_SPEED_NORMAL 40005
#define IDM_VIEW_SPEED_LOW 40006
#define IDM_VIEW_SPEED_PAUSED 40007
#define IDM_VIEW_REFRESH_NOW 40008
#define IDM_VIEW_BLOCK_LARGE 40011
#define IDM_VIEW_BLOCK_MEDIUM 40012
#define IDM_VIEW_BLOCK_SMALL 40013
#define IDM_VIEW_BLOCK_SMALLEST 40014

#define IDM_FILE_INSTALL_DRIVER 40015
#define IDM_FILE_REMOVE_DRIVER 40017
#define IDM_FILE_UNINSTALL_SHADOW_COPIES 40027
#define IDM_VIEW_TRACE_LOG 40028
#define IDM_FILE_EXCLUDE_USB 40029
#define IDM_FILE_EXCLUDE_VHD 40030
#define IDM_VIEW_CHANGED_FILES 40031

// Every command of the frame lies in this range; anything outside is ignored.
#define IDM_FIRST_COMMAND IDM_FILE_EXIT
#define IDM_LAST_COMMAND IDM_VIEW_CHANGED_FILES
