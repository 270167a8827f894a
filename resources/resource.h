// Resource and control identifiers of the maker program (Slidewright.exe)
// and the screensaver player (saverstub.exe). Included by the .rc files and
// by the C++ code, so it holds nothing but plain #defines.
#ifndef SLIDEWRIGHT_RESOURCE_H
#define SLIDEWRIGHT_RESOURCE_H

// ---------------------------------------------------------------------------
// Maker program
// ---------------------------------------------------------------------------

// Dialog templates
#define IDD_MAIN 102                // the skinned main window
#define IDD_OPEN_PANEL_CLASSIC 136  // open-dialog preview panel, older common dialogs
#define IDD_OPEN_PANEL 152          // open-dialog preview panel, common dialogs 5.0 and later

// Icons, cursors, menus, binary payload
#define IDI_APP 128           // application icon (16, 32 and 48 pixels)
#define IDR_PICTURE_MENU 131  // picture list context menu
#define IDCUR_DRAG 144        // cursor shown while pictures are dragged
#define IDR_SAVERSTUB 153     // type "BIN": saverstub.exe, written in front of every .scr
#define RT_SAVERSTUB "BIN"

// Bitmaps
#define IDB_PREVIEW_PLACEHOLDER 137  // 183 x 139, painted where the hidden preview sits
#define IDB_SPROCKET 142             // 32 x 16 film sprocket tile of the picture list
#define IDB_LIST_ARROWS 143          // 64 x 92: left pressed, left, right, right pressed
#define IDB_TRANSITION_MARKS 160     // 182 x 14: thirteen 14 x 14 marks in transition order
#define IDB_MENU_GLYPHS 168          // 64 x 15: add, copy, delete, delete all (16 x 15 each)
#define IDB_PICTURE_MARKS 161        // 126 x 14: the eight motions in menu order, then the caption mark
#define IDB_ADD 176                  // 16 x 15 button glyphs from here on
#define IDB_COPY 177
#define IDB_REMOVE 178
#define IDB_CLEAR 179
#define IDB_FOLDER 180
#define IDB_PLAY 181
#define IDB_PAUSE 182
#define IDB_STOP 183

// Sizes and key colours of the bitmaps above (COLORREF values, 0x00BBGGRR)
#define TRANSITION_MARK_SIZE 14
#define TRANSITION_MARK_COUNT 13
#define TRANSITION_MARK_MASK 0x191817  // background of bitmap 160, drawn transparent
#define PICTURE_MARK_COUNT 9           // bitmap 161, 14 x 14 each on TRANSITION_MARK_MASK
#define PICTURE_MARK_CAPTION 8         // the caption's mark in bitmap 161
#define MENU_GLYPH_WIDTH 16
#define MENU_GLYPH_HEIGHT 15
#define MENU_GLYPH_MASK 0xFF00FF  // background of bitmap 168 (magenta)
#define BUTTON_GLYPH_WIDTH 16
#define BUTTON_GLYPH_HEIGHT 15
// The button glyphs 176-183 are drawn on RGB(192,192,192): load them with
// LR_LOADMAP3DCOLORS so that their background becomes the button face colour.

// Controls of the main window (dialog 102)
#define IDC_MUSIC_PLAYER_HOST 1053  // hidden music player placeholder
#define IDC_PREVIEW_HOST 1003       // preview player placeholder
#define IDC_ADD_PICTURES 1002
#define IDC_OUTPUT_PATH_BROWSE 1007
#define IDC_OUTPUT_PATH 1008
#define IDC_MAKE_ALBUM 1009
#define IDC_CHOOSE_MUSIC 1011
#define IDC_SECONDS 1014
#define IDC_PROGRESS 1026
#define IDC_PICTURE_LIST_FRAME 1030  // the picture list is created over this frame
#define IDC_DELETE_SELECTED 1033
#define IDC_DELETE_ALL 1034
#define IDC_MUSIC_TOGGLE 1035
#define IDC_SECONDS_SPIN 1044
#define IDC_PREVIEW_STOP 1047
#define IDC_PREVIEW_PLAY 1048
#define IDC_MAKE_SCREENSAVER 1052
#define IDC_COPY_PICTURES 1056
#define IDC_ALBUM_HEIGHT 1062
#define IDC_ALBUM_WIDTH 1063
#define IDC_BACKGROUND_COLOR 1064
#define IDC_FORGET_MUSIC 1066
#define IDC_MAKE_VIDEO 32792     // the make-video button; its command id
#define IDC_PICTURE_LIST 0xFFFF  // control id of the picture list window itself

// Controls of the open-dialog preview panels (dialogs 136 and 152)
#define IDC_OPEN_PREVIEW_CHECK 1008
#define IDC_OPEN_FILE_NAME 1005
#define IDC_OPEN_WIDTH_LABEL 1003
#define IDC_OPEN_HEIGHT_LABEL 1004
#define IDC_OPEN_PREVIEW_BOX 1009
#define IDC_OPEN_STANDARD_AREA 1119  // where the standard open-dialog controls go

// Commands of the picture context menu (menu 131)
#define IDM_ADD_PICTURES 32773
#define IDM_DELETE_PICTURES 32774
#define IDM_DELETE_ALL_PICTURES 32775
#define IDM_COPY_PICTURES 32781
#define IDM_TRANSITION_FIRST 32875  // + transition index 0..12
#define IDM_TRANSITION_LAST 32887
#define PICTURE_MENU_TRANSITION_POSITION 5  // position of the transition submenu
#define IDM_OPEN_ALBUM 32788                // also Ctrl+O
#define IDM_SAVE_ALBUM 32789                // also Ctrl+S
#define IDM_SAVE_ALBUM_AS 32790             // also Ctrl+Shift+S
#define IDM_HOLD_TIME 32791
#define IDM_SORT_BY_DATE 32795  // the whole album in the order the pictures were taken
#define IDM_SORT_BY_NAME 32796  // and by file name
#define IDM_MOTION_FIRST 32900  // + motion 0..7: none, zoom in, zoom out, pan left, right, up, down, auto
#define IDM_MOTION_LAST 32907
#define PICTURE_MENU_MOTION_POSITION 6  // position of the motion submenu
#define IDM_CAPTION 32910

// The album-file shortcuts of the main window
#define IDR_ALBUM_KEYS 191

// Hold-time dialog of the picture menu
#define IDD_HOLD_TIME 190
#define IDC_HOLD_LABEL 1200
#define IDC_HOLD_SECONDS 1201
#define IDC_HOLD_UNIT 1202
#define IDC_HOLD_ALBUM 1203

// Caption dialog of the picture menu
#define IDD_CAPTION 192
#define IDC_CAPTION_LABEL 1210
#define IDC_CAPTION_TEXT 1211

// ---------------------------------------------------------------------------
// Screensaver player
// ---------------------------------------------------------------------------
#define IDI_SAVER 100
#define IDD_SAVER_CONFIG 2003
#define IDS_SAVER_DESCRIPTION 1
#define IDS_SAVER_NO_SETTINGS 2  // the configuration message

#endif
